#pragma once
// A clock that says what it is told.
#include "app/Clock.h"

namespace doubles {

class FixedClock : public app::Clock {
public:
    explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
    QDateTime now() const override { return t_; }
    void set(QDateTime t) { t_ = std::move(t); }

private:
    QDateTime t_;
};

} // namespace doubles
