#pragma once

// State codes shared by every kind of object. The code is a set of two
// flags, so cascades can or a parent's state into a child's and a restore
// only has to clear the deleted flag.
class ObjectState
{
public:
    enum Code {
        Active = 0,
        Deleted = 1,
        Completed = 2,
        CompletedAndDeleted = 3
    };

    static constexpr int DeletedFlag = 1;
    static constexpr int CompletedFlag = 2;

    static constexpr bool isInTrash(int state) { return (state & DeletedFlag) != 0; }
    static constexpr bool isCompleted(int state) { return (state & CompletedFlag) != 0; }
    static constexpr bool isVisible(int state) { return state == Active || state == Completed; }
    static constexpr bool isActive(int state) { return state == Active; }
    static constexpr int combined(int childState, int parentState) { return childState | parentState; }
    static constexpr int restored(int state) { return state & ~DeletedFlag; }
};
