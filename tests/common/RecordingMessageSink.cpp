#include "RecordingMessageSink.h"

bool RecordingMessageSink::Confirm(const QString& text) {
    messages.push_back({Kind::Confirm, text});
    if (answers.empty())
        return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

QStringList RecordingMessageSink::Texts() const {
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}
