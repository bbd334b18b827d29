#include "CalculatorFixture.h"

#include "ui/EnterManualSize.h"
#include "ui/EstimateSize.h"
#include "ui/widgets/LabeledEdit.h"

namespace {

// The caption a control shows: a label's or button's text, a group's title, an edit box's label.
QString Caption(QObject* control) {
    if (auto* edit = qobject_cast<LabeledEdit*>(control))
        return edit->labelText();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    return QStringLiteral("<no caption>");
}

struct NamedCaption {
    const char* control;
    const char* text;
};

void ExpectCaptions(QWidget* window, std::initializer_list<NamedCaption> captions) {
    for (const auto& [control, text] : captions) {
        QObject* found = window->findChild<QObject*>(QLatin1String(control));
        ASSERT_NE(found, nullptr) << control;
        EXPECT_EQ(Caption(found), QString::fromUtf8(text)) << control;
    }
}

} // namespace

TEST_F(CalculatorTest, TheCalculatorCarriesItsCaptions) {
    EXPECT_EQ(calculator->windowTitle(), QStringLiteral("Calculateur de BitRate"));
    EXPECT_EQ(calculator->size(), QSize(593, 756));
    ExpectCaptions(calculator.get(), {{"LabelTitle", "Calculateur de BitRate"},
                                      {"GroupBoxSizes", "Informations"},
                                      {"GroupBoxAudioSize", "Piste(s) Audio"},
                                      {"GroupBoxSubTitlesSize", "Sous-Titres"},
                                      {"GroupBoxCreditsVideoSize", "Crédits"},
                                      {"GroupBoxMediumSize", "Support"},
                                      {"GroupBoxResults", "Résultats"},
                                      {"LabeledEditAudioSize", "Taille :  "},
                                      {"LabeledEditSubTitlesSize", "Taille :  "},
                                      {"LabeledEditCreditsVideoSize", "Taille :  "},
                                      {"LabeledEditMediumSize", "Taille :  "},
                                      {"ButtonAddAudio3", "Add"},
                                      {"ButtonAddAudio2", "Add"},
                                      {"ButtonAddAudio1", "Add"},
                                      {"ButtonAudioReset", "RESET"},
                                      {"ButtonSubTitlesReset", "RESET"},
                                      {"ButtonCreditsVideoReset", "RESET"},
                                      {"ButtonNewMedium1", "New"},
                                      {"ButtonComeBack", "RETOUR"}});
    // The file buttons stand out in bold; no button answers Return as a default button.
    EXPECT_TRUE(Child<QPushButton>("ButtonAddSubTitles3")->font().bold());
    EXPECT_FALSE(Child<QPushButton>("ButtonAddSubTitles1")->font().bold());
    for (QPushButton* button : calculator->findChildren<QPushButton*>())
        EXPECT_FALSE(button->autoDefault() || button->isDefault()) << button->objectName().toStdString();
    // The subtitle and medium rows have no estimate, the medium no file and no reset.
    for (const char* absent :
         {"ButtonAddSubTitles2", "ButtonAddMedium2", "ButtonAddMedium3", "ButtonMediumReset"})
        EXPECT_EQ(calculator->findChild<QObject*>(QLatin1String(absent)), nullptr) << absent;
}

TEST_F(CalculatorTest, TheEntryDialogsCarryTheirCaptions) {
    TFormEnterManualSize manual(calculator.get());
    EXPECT_EQ(manual.windowTitle(), QStringLiteral("EnterManualSize"));
    EXPECT_EQ(manual.size(), QSize(593, 210));
    ExpectCaptions(&manual, {{"LabelTitle", "Saisie Manuelle"},
                             {"LabeledEditNumber", "Taille :  "},
                             {"GroupBoxResults", "Résultats temporaires"},
                             {"ButtonEnter", "VALIDER"},
                             {"ButtonCancel", "ANNULER"}});
    auto* unit = manual.findChild<QComboBox*>(QStringLiteral("ComboBoxUnit"));
    ASSERT_NE(unit, nullptr);
    EXPECT_FALSE(unit->isEditable());

    TFormEstimateSize estimate(calculator.get());
    EXPECT_EQ(estimate.windowTitle(), QStringLiteral("EstimateSize"));
    EXPECT_EQ(estimate.size(), QSize(593, 242));
    ExpectCaptions(&estimate, {{"LabelTitle", "Estimation via le BitRate"},
                               {"LabelSize", "Taille :  "},
                               {"LabeledEditBitRate", "BitRate (Kbits/s) :  "},
                               {"LabeledEditMargin", "Marge (%) :  "},
                               {"GroupBoxResults", "Résultats temporaires"},
                               {"ButtonEnter", "VALIDER"},
                               {"ButtonCancel", "ANNULER"}});
}
