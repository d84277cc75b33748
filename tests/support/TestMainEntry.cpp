// main() of every test program that has no entry point of its own.

#include "TestMain.h"

int main(int argc, char** argv)
{
    return RunTestsWithDeadline(argc, argv);
}
