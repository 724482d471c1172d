// Acting while a button's callback runs: loops (VIDEO, RUN) and waits
// (TEACH, blocks) run inside the callback, so a test acts from a timer
// inside their event processing, as a user's click would.
#pragma once

#include <functional>

// Calls step(n) from a timer inside the callback's event processing each
// time the simulator has received another request (n = requests so far),
// until step returns true; clicks the button first and returns when its
// callback has ended. Fails the test when the click is refused.
void ClickDuring(int panel, int button, const std::function<bool(int)>& step);
// Clicks the button and, once the simulator has received `requests` requests, STOP.
void ClickStoppingAt(int panel, int button, int requests);
