// STUB: replaced by the application's start-up.
#include <cstdio>
int main() { std::puts("Kelmar: the window is on its way."); return 0; }
