// Ends with the exit status given as its first argument: the program the
// tests start and wait for.
#include <cstdlib>

int main(int argc, char** argv) { return argc > 1 ? std::atoi(argv[1]) : 0; }
