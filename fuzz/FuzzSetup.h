#pragma once

// What every fuzz target does once before its first input: a sandboxed home
// (HOME, the XDG folders and TMPDIR in a throw-away folder, as in the
// tests), the application object of the program it stands for, and the log
// in the sandbox at warning level, so that the lines the readers write about
// hostile input are composed too.
class FuzzSetup
{
public:
    enum class Application { Core, Gui };

    static void enter(int* argc, char*** argv, Application application);
};
