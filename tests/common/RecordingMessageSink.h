#pragma once

#include "model/MessageSink.h"

#include <QString>
#include <QStringList>
#include <deque>

// Records every message and answers confirmations from a queue (Yes when the queue is empty,
// unless told otherwise). Installs itself for its lifetime.
class RecordingMessageSink final : public MessageSink {
public:
    enum class Kind { Information, Warning, Confirm };
    struct Message {
        Kind kind;
        QString text;
    };

    RecordingMessageSink() { SetMessageSink(this); }
    ~RecordingMessageSink() override { SetMessageSink(nullptr); }
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    void Information(const QString& text) override { messages.push_back({Kind::Information, text}); }
    void Warning(const QString& text) override { messages.push_back({Kind::Warning, text}); }
    bool Confirm(const QString& text) override;

    QStringList Texts() const;
    void Clear() { messages.clear(); }

    std::deque<Message> messages;
    std::deque<bool> answers;
    bool defaultAnswer = true;
};
