// Debug output: strings go to a sink; by default the Qt logging category velmora.trace.
#pragma once

#include <QLoggingCategory>

#include <functional>
#include <string_view>

Q_DECLARE_LOGGING_CATEGORY(lcTrace)

namespace velmora {

using DebugSink = std::function<void(std::string_view)>;

// Writes one debug string, as-is.
void outputDebugString(std::string_view text);

// Replaces the sink (tests capture the raw strings); an empty function restores the default.
// Returns the previous sink.
DebugSink setDebugSink(DebugSink sink);

}  // namespace velmora
