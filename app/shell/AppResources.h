#pragma once

// Resources compiled into the static core library must be registered by
// hand (the linker would otherwise drop them). Every user of ":/..." paths
// calls this first; it is cheap and safe to call repeatedly.
class AppResources
{
public:
    static void initialize();
};
