#include "uJobGuard.h"

#include "Application.h"

void RunGuarded(const std::function<void()> &handler) {
    try {
        handler();
    } catch (...) {
        Application()->HandleException(std::current_exception());
    }
}
