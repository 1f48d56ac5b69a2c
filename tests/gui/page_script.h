// Runs a script in a web view from a test and waits for its result.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

// Runs `body` as the body of a function in the page and returns its result as JSON, or
// "<error>" and the message when the script failed. Waits for the result however long it takes,
// pumping the main loop meanwhile.
std::string EvaluateInPage(WebKitWebView* view, const std::string& body);
