#include "platform/alsa/server_ports.h"

#ifdef TONVOGEL_HAVE_PULSE
#include <pulse/pulseaudio.h>

#include <charconv>
#include <chrono>
#include <string>
#endif

namespace tv {

#ifndef TONVOGEL_HAVE_PULSE

std::vector<ServerPort> listServerPorts(bool) {
  return {};
}

#else

namespace {

// Nobody waits for the list longer than this: a server that hangs costs the settings
// window its server entries, not the program its start.
constexpr auto kPatience = std::chrono::milliseconds(1500);

struct Listing {
  std::vector<ServerPort> ports;
  bool done = false;
};

std::optional<int> cardProperty(pa_proplist* properties) {
  const char* text = pa_proplist_gets(properties, "alsa.card");
  if (!text) return std::nullopt;
  int card = 0;
  const std::string_view view(text);
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), card);
  if (error != std::errc{} || end != view.data() + view.size()) return std::nullopt;
  return card;
}

void takeSource(pa_context*, const pa_source_info* info, int last, void* data) {
  auto* listing = static_cast<Listing*>(data);
  if (last) {
    listing->done = true;
    return;
  }
  const bool monitor = info->monitor_of_sink != PA_INVALID_INDEX;
  listing->ports.push_back({info->name, info->description ? info->description : "",
                            monitor ? std::nullopt : cardProperty(info->proplist)});
}

void takeSink(pa_context*, const pa_sink_info* info, int last, void* data) {
  auto* listing = static_cast<Listing*>(data);
  if (last) {
    listing->done = true;
    return;
  }
  listing->ports.push_back(
      {info->name, info->description ? info->description : "", cardProperty(info->proplist)});
}

}  // namespace

std::vector<ServerPort> listServerPorts(bool inputs) {
  pa_mainloop* loop = pa_mainloop_new();
  if (!loop) return {};
  pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tonvogel");
  Listing listing;
  if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    pa_operation* operation = nullptr;
    while (!listing.done && std::chrono::steady_clock::now() < deadline) {
      const pa_context_state_t state = pa_context_get_state(context);
      if (!PA_CONTEXT_IS_GOOD(state)) break;
      if (state == PA_CONTEXT_READY && !operation) {
        operation = inputs ? pa_context_get_source_info_list(context, takeSource, &listing)
                           : pa_context_get_sink_info_list(context, takeSink, &listing);
        if (!operation) break;
      }
      // A tenth of a second at most per turn, so that the deadline is kept.
      if (pa_mainloop_prepare(loop, 100'000) < 0 || pa_mainloop_poll(loop) < 0 ||
          pa_mainloop_dispatch(loop) < 0)
        break;
    }
    if (operation) {
      pa_operation_cancel(operation);
      pa_operation_unref(operation);
    }
    pa_context_disconnect(context);
  }
  if (context) pa_context_unref(context);
  pa_mainloop_free(loop);
  if (!listing.done) return {};
  return listing.ports;
}

#endif

}  // namespace tv
