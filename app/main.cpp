#include "shell/StartupSequence.h"

int main(int argc, char *argv[])
{
    return StartupSequence::run(argc, argv);
}
