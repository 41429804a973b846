#define greet_twice
return argument0 + argument0;
