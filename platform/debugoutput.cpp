#include "platform/debugoutput.h"

// Off unless enabled (QT_LOGGING_RULES="velmora.trace.debug=true"), as debugger output is
// unseen without a debugger.
Q_LOGGING_CATEGORY(lcTrace, "velmora.trace", QtInfoMsg)

namespace velmora {
namespace {

void logSink(std::string_view text) {
    qCDebug(lcTrace).noquote() << QString::fromLatin1(text.data(), qsizetype(text.size()));
}

DebugSink& sink() {
    static DebugSink s = logSink;
    return s;
}

}  // namespace

void outputDebugString(std::string_view text) { sink()(text); }

DebugSink setDebugSink(DebugSink s) {
    DebugSink previous = std::move(sink());
    sink() = s ? std::move(s) : DebugSink(logSink);
    return previous;
}

}  // namespace velmora
