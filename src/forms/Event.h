#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace tarn::forms {

// A list of handlers that a control raises in order; handlers may connect further handlers.
template <typename... Args> class Event {
public:
    using Handler = std::function<void(Args...)>;

    void Connect(Handler handler) { handlers_.push_back(std::move(handler)); }

    void Raise(Args... args) const {
        const auto handlers = handlers_;
        for (const auto& handler : handlers) {
            handler(args...);
        }
    }

private:
    std::vector<Handler> handlers_;
};

} // namespace tarn::forms
