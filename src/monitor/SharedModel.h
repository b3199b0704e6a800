#pragma once

#include "monitor/InverterModel.h"

#include <mutex>

namespace veltroma {

// The inverter model shared between the worker, which decodes into it, and the
// user-interface thread, which reads it whole: every access holds the one lock.
class SharedModel {
public:
    [[nodiscard]] InverterModel snapshot() const
    {
        std::lock_guard lock(mutex_);
        return model_;
    }

    // Runs `change` on the model under the lock and returns what it returns.
    template <typename Change>
    decltype(auto) update(Change&& change)
    {
        std::lock_guard lock(mutex_);
        return std::forward<Change>(change)(model_);
    }

private:
    mutable std::mutex mutex_;
    InverterModel model_;
};

} // namespace veltroma
