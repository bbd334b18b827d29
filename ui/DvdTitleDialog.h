#pragma once

#include "indexer/DvdTitles.h"

#include <QDialog>
#include <vector>

class QTreeWidget;

// The titles of a DVD folder, one a line (title, duration, chapters, picture shape, size), the
// longest chosen at first since it is the film as a rule; "Indexer" takes the chosen one.
class DvdTitleDialog : public QDialog {
    Q_OBJECT

public:
    DvdTitleDialog(const std::vector<indexer::DvdTitle>& titles, int longest, QWidget* parent);

    // Index of the chosen title in the list given, -1 for none.
    int ChosenTitle() const;

private:
    QTreeWidget* list = nullptr;
};
