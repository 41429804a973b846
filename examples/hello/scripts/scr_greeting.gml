// scr_greeting(name): the text shown at the start
return TITLE + ", " + argument0 + "!";
