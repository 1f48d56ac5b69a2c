#include "page_script.h"

#include <memory>

namespace {

struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};

struct EvalState {
  bool done = false;
  std::string json;
};

void OnEvalFinished(GObject* source, GAsyncResult* result, gpointer data) {
  auto* state = static_cast<EvalState*>(data);
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, &error);
  if (value == nullptr) {
    state->json = std::string("<error>") + (error != nullptr ? error->message : "");
    g_clear_error(&error);
  } else {
    std::unique_ptr<char, GFree> json(jsc_value_to_json(value, 0));
    state->json = json ? json.get() : "undefined";
    g_object_unref(value);
  }
  state->done = true;
}

}  // namespace

std::string EvaluateInPage(WebKitWebView* view, const std::string& body) {
  EvalState state;
  webkit_web_view_call_async_javascript_function(view, body.c_str(), -1, nullptr, nullptr, nullptr,
                                                 nullptr, OnEvalFinished, &state);
  // The state lives on this frame: wait for the callback whatever it takes.
  while (!state.done) {
    g_main_context_iteration(nullptr, TRUE);
  }
  return state.json;
}
