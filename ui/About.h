#pragma once

#include <QByteArray>
#include <QDialog>
#include <QImage>
#include <QString>
#include <memory>

class QEvent;

namespace Ui {
class TFormAbout;
}

// The program's version as the About window shows it.
inline const QString VersionText = QStringLiteral("066");

// The author's addresses shown as links.
inline const QString AuthorMail = QStringLiteral("quillon@example.org");
inline const QString AuthorUrl = QStringLiteral("https://www.example.org/cinescriptor/");

// Decodes a baseline JPEG (grey or colour) held in memory into an ARGB image in which exact white
// (255, 255, 255) is transparent and every other colour opaque. A null image when the data is no
// JPEG the decoder can read; `errorText` then holds its reason.
QImage DecodeJpegWithWhiteTransparent(const QByteArray& jpeg, QString* errorText = nullptr);

// The "A Propos" window: product, version, author, the two addresses as links, and the logo.
class TFormAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFormAbout(QWidget* owner);
    ~TFormAbout() override;

    void MailClick();
    void URLClick();
    void ButtonOkClick();

    // The logo as decoded (null if the resource could not be read).
    const QImage& LogoImage() const { return logo; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();

    std::unique_ptr<Ui::TFormAbout> ui;
    QImage logo;
};
