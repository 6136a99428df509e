// The open-face, scale and number dialogs on their own.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "app/morph_value_dialogs.h"
#include "app/open_face_dialog.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QApplication::instance())
            GTEST_SKIP() << "no X display";
    }
};

TEST(NumberText, ReadsDecimalNumbersAndRefusesEverythingElse)
{
    const struct {
        const char* text;
        std::optional<float> value;
    } cases[] = {
        {"0.01", 0.01f}, {" -2 ", -2.0f}, {"0", 0.0f},        {"1e-3", 0.001f},      {"abc", std::nullopt},
        {"", std::nullopt}, {"1.5x", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt},
        {"1e39", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseNumber(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(formatNumber(0.001f), "0.001");
    EXPECT_EQ(formatNumber(1.0f), "1");
    EXPECT_EQ(formatNumber(-2.5f), "-2.5");
}

TEST_F(DialogTest, ScaleDialogShowsOneEachTimeAndAcceptsANegativeFactor)
{
    for (const char* typed : {"-2", "0"}) {
        CScaleMorph dialog;
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>();
        EXPECT_EQ(dialog.windowTitle(), "Scale Morph");
        EXPECT_EQ(edit->text(), "1");
        edit->setText(typed);
        withText<QPushButton>(dialog, "Scale")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.scaleFactor(), QString(typed).toFloat());
    }
    CScaleMorph cancelled;
    cancelled.show();
    cancelled.findChild<QLineEdit*>()->setText("7");
    withText<QPushButton>(cancelled, "Cancel")->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.scaleFactor(), 1.0f);
}

TEST_F(DialogTest, OpenDialogOffersOnlyOpeningWithoutAFace)
{
    const QString importText = "Add all the morph targets from the selected face to the current face";
    const QString createText =
        "Compare the selected face with the current face and create a morph target from the difference.";
    for (bool faceLoaded : {false, true}) {
        SCOPED_TRACE(faceLoaded ? "face loaded" : "no face");
        COpenFace dialog;
        dialog.setFaceLoaded(faceLoaded);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Open File");
        auto* open = withText<QRadioButton>(dialog, "Open File");
        ASSERT_TRUE(open);
        EXPECT_TRUE(open->isChecked());
        EXPECT_TRUE(open->isEnabled());
        EXPECT_TRUE(withText<QLabel>(dialog, "Open and display the selected face file")->isEnabled());
        for (QWidget* w : std::initializer_list<QWidget*>{
                 withText<QRadioButton>(dialog, "Import Morphs"), withText<QRadioButton>(dialog, "Create Morph"),
                 withText<QLabel>(dialog, importText), withText<QLabel>(dialog, createText),
                 withText<QCheckBox>(dialog, "Import neck vertices")}) {
            ASSERT_TRUE(w);
            EXPECT_EQ(w->isEnabled(), faceLoaded);
        }
        EXPECT_TRUE(withText<QPushButton>(dialog, "OK")->isEnabled() && withText<QPushButton>(dialog, "Cancel")->isEnabled());
        EXPECT_EQ(accessibleName(open), "Open File");  // screen readers name each control by its text
        EXPECT_FALSE(withText<QCheckBox>(dialog, "Import neck vertices")->isChecked());
    }
}

}  // namespace
}  // namespace mw::test
