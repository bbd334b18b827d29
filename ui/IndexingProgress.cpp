#include "ui/IndexingProgress.h"

#include "platform/NumberText.h"
#include "ui/IndexingTexts.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

namespace {

// Below this, the speed measured says more about starting up than about reading.
constexpr double kMeasuringSeconds = 0.5;

QString SourcesText(const QStringList& inputs) {
    if (inputs.isEmpty())
        return QString();
    const QString first = QFileInfo(inputs.constFirst()).fileName();
    if (inputs.size() == 1)
        return QStringLiteral("Vidéo : %1").arg(first);
    return QStringLiteral("Vidéo : %1 … %2 (%3 fichiers)")
        .arg(first, QFileInfo(inputs.constLast()).fileName())
        .arg(inputs.size());
}

} // namespace

IndexingProgress::IndexingProgress(const QStringList& inputs, const QString& d2vPath, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("IndexingProgress"));
    setWindowTitle(QStringLiteral("Indexation de la vidéo"));

    auto* layout = new QGridLayout(this);
    auto* source = new QLabel(SourcesText(inputs), this);
    source->setObjectName(QStringLiteral("LabelSource"));
    source->setToolTip(inputs.join(QLatin1Char('\n')));
    auto* index = new QLabel(QStringLiteral("Index : %1").arg(d2vPath), this);
    index->setObjectName(QStringLiteral("LabelIndex"));
    index->setWordWrap(true);
    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("ProgressBarIndexing"));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setFormat(QStringLiteral("%p %"));
    speed = new QLabel(this);
    speed->setObjectName(QStringLiteral("LabelSpeed"));
    timeLeft = new QLabel(this);
    timeLeft->setObjectName(QStringLiteral("LabelTimeLeft"));
    timeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cancel = new QPushButton(QStringLiteral("Annuler"), this);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    cancel->setAutoDefault(false);

    layout->addWidget(source, 0, 0, 1, 2);
    layout->addWidget(index, 1, 0, 1, 2);
    layout->addWidget(bar, 2, 0, 1, 2);
    layout->addWidget(speed, 3, 0);
    layout->addWidget(timeLeft, 3, 1);
    layout->addWidget(cancel, 4, 1, Qt::AlignRight);
    setMinimumWidth(460);

    connect(cancel, &QPushButton::clicked, this, &IndexingProgress::RequestCancel);
    ShowProgress(0, 0, 0);
}

void IndexingProgress::ShowProgress(uint64_t done, uint64_t total, double seconds) {
    if (cancelRequested)
        return;
    bar->setValue(total > 0 ? static_cast<int>(done * 100 / total) : 0);
    if (done == 0 || seconds < kMeasuringSeconds) {
        speed->setText(QStringLiteral("Vitesse : mesure en cours"));
        timeLeft->setText(QStringLiteral("Temps restant : estimation en cours"));
        return;
    }
    const double bytesPerSecond = static_cast<double>(done) / seconds;
    speed->setText(QStringLiteral("Vitesse : %1 Mo/s")
                       .arg(FormatGeneral(std::round(bytesPerSecond / 1048576 * 10) / 10)));
    const double left = done < total ? static_cast<double>(total - done) / bytesPerSecond : 0;
    timeLeft->setText(
        QStringLiteral("Temps restant : %1").arg(ShortDurationText(std::llround(std::ceil(left)))));
}

void IndexingProgress::RequestCancel() {
    if (cancelRequested)
        return;
    cancelRequested = true;
    cancel->setEnabled(false);
    timeLeft->setText(QStringLiteral("Annulation en cours"));
    emit CancelRequested();
}

void IndexingProgress::closeEvent(QCloseEvent* event) {
    // The owner hides the window once the indexing thread has stopped; the close box only asks
    // for that.
    RequestCancel();
    event->ignore();
}

void IndexingProgress::reject() {
    RequestCancel();
}
