// Prints the code page Windows works in for this process (its ANSI code page), so that a test
// that runs a program under another code page can see that it really does.
#include <windows.h>

#include <cstdio>

int main() {
    std::printf("%u\n", ::GetACP());
    return 0;
}
