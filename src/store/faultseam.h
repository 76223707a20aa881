#pragma once

#include <functional>
#include <utility>

// Where a test makes one step of a writer fail: the hook set for the kind of step `Step` runs before each such
// step and may throw. One hook for each kind, for the whole program; none outside the tests.
template <class Step> class FaultSeam
{
public:
    using Hook = std::function<void(Step)>;

    static void set(Hook hook) { slot() = std::move(hook); }
    static void before(Step step)
    {
        if (const Hook& hook = slot())
            hook(step);
    }

private:
    static Hook& slot()
    {
        static Hook hook;
        return hook;
    }
};
