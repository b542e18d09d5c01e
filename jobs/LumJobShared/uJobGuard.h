#pragma once
// Handlers of job forms run guarded: an error that one raises goes to the user through the
// application's error display, and never unwinds through the toolkit that called the handler.

#include <functional>

void RunGuarded(const std::function<void()> &handler);
