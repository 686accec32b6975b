#include "core/NotifierApplication.h"

int main(int argc, char *argv[])
{
    NotifierApplication application;
    return application.run(argc, argv);
}
