#pragma once

#include <QString>

// Where the model's and the helpers' messages go. The program installs one that shows
// message boxes; tests install one that records the texts and answers the questions.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // An information box with an OK button (refusals, internal failures, results).
    virtual void Information(const QString& text) = 0;
    // A warning box with an OK button (conversion failures).
    virtual void Warning(const QString& text) = 0;
    // A confirmation box with Yes and No; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
};

// Installs the process-wide sink (not owned); nullptr restores the default, which writes to stderr.
void SetMessageSink(MessageSink* sink);
MessageSink& Messages();

inline void ShowInformation(const QString& text) {
    Messages().Information(text);
}
inline void ShowWarning(const QString& text) {
    Messages().Warning(text);
}
inline bool AskConfirmation(const QString& text) {
    return Messages().Confirm(text);
}
