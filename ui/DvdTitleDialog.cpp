#include "ui/DvdTitleDialog.h"

#include "ui/IndexingTexts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

DvdTitleDialog::DvdTitleDialog(const std::vector<indexer::DvdTitle>& titles, int longest, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("DvdTitleDialog"));
    setWindowTitle(QStringLiteral("Choix du titre du DVD"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Choisissez le titre à indexer (le plus long est en général le film) :"), this));

    list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("TreeWidgetTitles"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setHeaderLabels({QStringLiteral("Titre"), QStringLiteral("Durée"), QStringLiteral("Chapitres"),
                           QStringLiteral("Image"), QStringLiteral("Taille")});
    for (const indexer::DvdTitle& title : titles) {
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, QStringLiteral("Titre %1").arg(title.number));
        // Whole seconds to the nearest, as players show them.
        item->setText(1, ShortDurationText((title.durationMs + 500) / 1000));
        item->setText(2, QString::number(title.chapters));
        item->setText(3, DisplayShapeText(title.shape));
        item->setText(4, MegabytesText(title.bytes));
        for (int column = 1; column < 5; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int column = 1; column < 5; ++column)
        list->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (longest >= 0 && longest < list->topLevelItemCount())
        list->setCurrentItem(list->topLevelItem(longest));
    layout->addWidget(list);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* index = buttons->addButton(QStringLiteral("Indexer"), QDialogButtonBox::AcceptRole);
    index->setObjectName(QStringLiteral("ButtonIndex"));
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("ButtonCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(list, &QTreeWidget::currentItemChanged, this,
            [index](QTreeWidgetItem* current) { index->setEnabled(current != nullptr); });
    index->setEnabled(list->currentItem() != nullptr);
    list->setFocus();

    // Every title in sight (Qt bounds the list's wish on discs of many titles).
    list->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    list->setMinimumWidth(440);
}

int DvdTitleDialog::ChosenTitle() const {
    QTreeWidgetItem* current = list->currentItem();
    return current != nullptr ? list->indexOfTopLevelItem(current) : -1;
}
