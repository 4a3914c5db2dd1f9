#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tarn::forms {

namespace detail {

// One handler's place in an event's list, as its connection sees it.
class Link {
public:
    virtual ~Link() = default;
    virtual void Disconnect() noexcept = 0;
};

} // namespace detail

// A handler's hold on an event: the handler is called until the connection is destroyed,
// disconnected or assigned over, and never after, not even by a Raise already under way. A
// moved connection hands its hold on; a connection may outlive its event.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::weak_ptr<detail::Link> link) : link_(std::move(link)) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&& other) noexcept = default;
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            Disconnect();
            link_ = std::move(other.link_);
        }
        return *this;
    }
    ~Connection() { Disconnect(); }

    void Disconnect() noexcept {
        if (const std::shared_ptr<detail::Link> link = std::exchange(link_, {}).lock()) {
            link->Disconnect();
        }
    }

private:
    std::weak_ptr<detail::Link> link_;
};

// A list of handlers that a control raises in order; handlers may connect further handlers.
template <typename... Args> class Event {
public:
    using Handler = std::function<void(Args...)>;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    // A Raise under way calls no handler once the event is gone.
    ~Event() {
        for (const std::shared_ptr<Slot>& slot : *slots_) {
            slot->connected = false;
        }
    }

    [[nodiscard]] Connection Connect(Handler handler) {
        return Connection(Add(std::move(handler)));
    }

    // For a handler whose owner holds the event as well (a window and its own controls), so
    // that the handler can be called for as long as the event lives.
    void ConnectForEventLifetime(Handler handler) { Add(std::move(handler)); }

    // Calls the handlers connected when it starts, skipping those disconnected meanwhile.
    void Raise(Args... args) const {
        // A copy: handlers may connect and disconnect while it runs, and a disconnected
        // handler stays alive until its call has returned.
        const Slots snapshot = *slots_;
        for (const std::shared_ptr<Slot>& slot : snapshot) {
            if (slot->connected) {
                slot->handler(args...);
            }
        }
    }

private:
    struct Slot;
    using Slots = std::vector<std::shared_ptr<Slot>>;

    struct Slot final : detail::Link {
        Slot(Handler handlerToCall, const std::shared_ptr<Slots>& list)
            : handler(std::move(handlerToCall)), owner(list) {}

        void Disconnect() noexcept override {
            connected = false;
            if (const std::shared_ptr<Slots> list = owner.lock()) {
                std::erase_if(*list, [this](const std::shared_ptr<Slot>& slot) {
                    return slot.get() == this;
                });
            }
        }

        Handler handler;
        bool connected = true;
        std::weak_ptr<Slots> owner;
    };

    std::weak_ptr<detail::Link> Add(Handler handler) {
        slots_->push_back(std::make_shared<Slot>(std::move(handler), slots_));
        return slots_->back();
    }

    std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};

} // namespace tarn::forms
