#pragma once

#include <QFileDialog>

// The file dialog of "Ouvrir une vidéo MPEG-2...": one or several files (a film in parts), or a
// DVD folder. A VIDEO_TS folder, or the folder holding one, is taken when it is selected and the
// accept button pressed (a double click still goes into it, as into any folder); its VIDEO_TS.IFO
// can be picked too. Qt's own dialog, as the platform's would not let a folder through.
class VideoFileDialog : public QFileDialog {
    Q_OBJECT

public:
    VideoFileDialog(QWidget* parent, const QString& caption, const QString& filter);

    void accept() override;
};
