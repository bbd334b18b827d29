#include "model/MessageSink.h"

#include <cstdio>

namespace {

// Used before the program installs its own: nothing is lost silently, nothing blocks.
class StderrSink final : public MessageSink {
public:
    void Information(const QString& text) override { std::fprintf(stderr, "%s\n", qUtf8Printable(text)); }
    void Warning(const QString& text) override { std::fprintf(stderr, "%s\n", qUtf8Printable(text)); }
    bool Confirm(const QString& text) override {
        std::fprintf(stderr, "%s (no)\n", qUtf8Printable(text));
        return false;
    }
};

StderrSink defaultSink;
MessageSink* currentSink = nullptr;

} // namespace

void SetMessageSink(MessageSink* sink) {
    currentSink = sink;
}

MessageSink& Messages() {
    return currentSink != nullptr ? *currentSink : defaultSink;
}
