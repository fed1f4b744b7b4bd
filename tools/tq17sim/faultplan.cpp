#include "tools/tq17sim/faultplan.h"

void FaultPlan::set(SimFault fault, int after, int parameter, int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fault_ = fault;
    after_ = after;
    parameter_ = parameter != 0 ? parameter : defaultFaultParameter(fault);
    remaining_ = count;
    ++generation_;
}

int FaultPlan::generation() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

FaultPlan::Shot FaultPlan::hit(bool upload)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (fault_ == SimFault::None || isXmodemFault(fault_) != upload)
        return {};
    if (after_ > 0) {
        --after_;
        return {};
    }
    const Shot shot{fault_, parameter_};
    if (fault_ != SimFault::StopAnswering && remaining_ > 0 && --remaining_ == 0)
        fault_ = SimFault::None;
    return shot;
}
