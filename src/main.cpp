// Placeholder entry point until the run engine lands.
#include <cstdio>

int main() {
    std::puts("cellwatch: nothing to run yet");
    return 0;
}
