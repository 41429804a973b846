// quarvel-pack: writes game files from a project folder and inspects them.
#include <cstdio>

int main(int, char**) {
    std::fprintf(stderr, "usage: quarvel-pack build PROJECT_DIR -o GAME | info GAME\n");
    return 2;
}
