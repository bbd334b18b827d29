#pragma once

#include "model/MessageSink.h"

// The program's message sink: modal message boxes titled with the application's name.
class MessageBoxSink final : public MessageSink {
public:
    void Information(const QString& text) override;
    void Warning(const QString& text) override;
    bool Confirm(const QString& text) override;
};
