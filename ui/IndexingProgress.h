#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;

// Shows how far the indexing of a video is: the percentage, the reading speed and the time left,
// with "Annuler". The close box and Escape ask for the cancel as the button does; its owner hides
// it once the indexing is over.
class IndexingProgress : public QDialog {
    Q_OBJECT

public:
    IndexingProgress(const QStringList& inputs, const QString& d2vPath, QWidget* parent);

    // Bytes read so far and in all, `seconds` after the start.
    void ShowProgress(uint64_t done, uint64_t total, double seconds);
    bool IsCancelRequested() const { return cancelRequested; }

signals:
    void CancelRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void RequestCancel();

    QProgressBar* bar = nullptr;
    QLabel* speed = nullptr;
    QLabel* timeLeft = nullptr;
    QPushButton* cancel = nullptr;
    bool cancelRequested = false;
};
