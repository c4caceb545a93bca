#include "client/ContUnit1.h"
#include "client/ContactsFile.h"
#include "client/DialUnit1.h"
#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"
#include "platform/ui/FormHook.h"
#include "platform/ui/MaskEdit.h"
#include "platform/ui/NameValueGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace parlino {
namespace {

using ui::FormDriver;

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void PressKey(QWidget& widget, Qt::Key key)
{
    QTest::keyClick(&widget, key);
}

TEST(ContactsFileTest, LinesEndWithCrLfAndAnEmptyListIsAnEmptyFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("contacts.txt");
    writeContactsFile(path, {"Ann=101", "=", "no number=x"});
    EXPECT_EQ(ReadFile(path), QByteArray("Ann=101\r\n=\r\nno number=x\r\n"));
    writeContactsFile(path, {});
    EXPECT_EQ(ReadFile(path), QByteArray());
}

TEST(ContactsFileTest, AFileThatCannotBeWrittenIsAnErrorNamingIt)
{
    QTemporaryDir dir;
    // A folder stands where the file should be.
    ASSERT_TRUE(QDir(dir.path()).mkdir("contacts.txt"));
    try {
        writeContactsFile(dir.filePath("contacts.txt"), {"Ann=101"});
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromLocal8Bit(error.what()).contains("contacts.txt")) << error.what();
    }
}

TEST(ContactsFileTest, NamesOutsideLatin1BecomeQuestionMarks)
{
    EXPECT_EQ(
        storedContacts({QString::fromUtf8("Zo\u0113=101"), QString::fromUtf8("Jos\u00e9=102")}),
        (QStringList{"Zo?=101", QString::fromUtf8("Jos\u00e9=102")}));
}

TEST(ContactsFileTest, SortIgnoresCaseAndKeepsTheOrderOfEqualLines)
{
    EXPECT_EQ(sortedContacts({"Carl=102", "bob=105", "ann=1", "BOB=105", "Al=3"}),
              (QStringList{"Al=3", "ann=1", "bob=105", "BOB=105", "Carl=102"}));
}

TEST(ContactsFileTest, DecimalNumbers)
{
    struct Case {
        QString text;
        bool valid;
        std::int32_t value;
    };
    const Case cases[] = {
        {"101", true, 101}, {" 7 ", true, 7},         {"-5", true, -5},
        {"", false, 0},     {"abc", false, 0},        {"1x", false, 0},
        {"0x1F", false, 0}, {"2147483648", false, 0}, {"2147483647", true, 2147483647}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        if (!c.valid) {
            EXPECT_THROW(decimalToInt32(c.text), std::runtime_error);
            continue;
        }
        EXPECT_EQ(decimalToInt32(c.text), c.value);
    }
}

// The dialogs in a folder of their own, with control errors recorded as "tag text".
class DialingDialogTest : public ::testing::Test {
protected:
    QString contactsFile() const { return dir.filePath("contacts.txt"); }

    // The Dialing dialog as the Call button runs it, each form answered by `act`.
    DialChoice Dial(const std::function<void(QDialog&)>& act)
    {
        ui::ScopedFormResponder hook(act);
        const DialChoice choice = RunDialForm(contacts, contactsFile(), nullptr);
        forms = hook.requests();
        return choice;
    }

    // The Contacts dialog alone; gives its result.
    int EditContacts(const std::function<void(QDialog&)>& act)
    {
        ui::ScopedFormResponder hook(act);
        TContForm form(number, contacts, contactsFile());
        const int result = ui::ExecForm(form);
        forms = hook.requests();
        return result;
    }

    static ui::NameValueGrid& Grid(QDialog& form)
    {
        return FormDriver(form).child<ui::NameValueGrid>("ValueListEditor1");
    }

    QTemporaryDir dir;
    QStringList contacts;
    std::int32_t number = -1;
    std::vector<ui::FormRequest> forms;
    std::vector<QString> controlErrors;
    ui::ScopedApplicationExceptionHandler errors{[this](QWidget* control, const std::exception& e) {
        controlErrors.push_back(QString::number(ui::tag(control)) + " " + e.what());
    }};
};

TEST_F(DialingDialogTest, OpensWithTheClientIdModeAndTheOutsideLineDisabled)
{
    Dial([](QDialog& form) {
        FormDriver d(form);
        EXPECT_EQ(form.windowTitle(), "Dialing");
        EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(d.child<QRadioButton>("RadioButton1").isChecked());
        EXPECT_EQ(d.child<QLineEdit>("MaskEdit1").text(), "101");
        EXPECT_EQ(d.child<QLineEdit>("MaskEdit1").maxLength(), 3);
        EXPECT_EQ(ui::tag(&d.child<QLineEdit>("MaskEdit1")), 1);
        EXPECT_TRUE(d.child<QWidget>("BitBtn1").isEnabled());
        for (const char* name : {"RadioButton2", "SpinEdit1", "Panel2", "RadioButton3",
                                 "RadioButton4", "LabeledEdit1", "LabeledEdit2", "LabeledEdit3"})
            EXPECT_FALSE(d.child<QWidget>(name).isEnabled()) << name;
        EXPECT_EQ(d.child<QSpinBox>("SpinEdit1").value(), 1);
        EXPECT_EQ(d.child<QLineEdit>("LabeledEdit1").text(), "1");
        // A click on the disabled radio button changes nothing.
        d.click("RadioButton2");
        EXPECT_TRUE(d.child<QRadioButton>("RadioButton1").isChecked());
    });
}

TEST_F(DialingDialogTest, OkTakesSubscribersOneTo800AndStaysOpenOtherwise)
{
    struct Case {
        const char* typed;  // nullptr: as shown
        bool accepted;
        std::int32_t number;
        bool conversionError;
    };
    const Case cases[] = {
        {nullptr, true, 101, false}, {"800", true, 800, false}, {"1", true, 1, false},
        {"007", true, 7, false},     {"0", false, 0, false},    {"801", false, 0, false},
        {"999", false, 0, false},    {"", false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "as shown");
        controlErrors.clear();
        const DialChoice choice = Dial([&](QDialog& form) {
            FormDriver d(form);
            if (c.typed)
                d.type("MaskEdit1", c.typed);
            d.click("BitBtn2");
        });
        EXPECT_EQ(!choice.cancelled, c.accepted);
        EXPECT_EQ(choice.number, c.number);
        EXPECT_FALSE(choice.outsideLine);
        EXPECT_TRUE(choice.localNumber.isEmpty());
        ASSERT_EQ(forms.size(), 1u);
        EXPECT_EQ(forms[0].leftOpen, !c.accepted);
        // Out of range says nothing; no number at all is the conversion error of the field.
        ASSERT_EQ(controlErrors.size(), c.conversionError ? 1u : 0u);
        if (c.conversionError) {
            EXPECT_EQ(controlErrors[0], "1 '' is not a valid integer value");
        }
    }
}

TEST_F(DialingDialogTest, CancelAndEscapeGiveNoNumber)
{
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        const DialChoice choice = Dial([escape](QDialog& form) {
            FormDriver d(form);
            d.type("MaskEdit1", "205");
            if (escape) {
                // The first Escape puts back the field's text, the second cancels.
                PressKey(d.child<QLineEdit>("MaskEdit1"), Qt::Key_Escape);
                EXPECT_EQ(d.child<QLineEdit>("MaskEdit1").text(), "101");
                PressKey(d.child<QLineEdit>("MaskEdit1"), Qt::Key_Escape);
            } else {
                d.click("BitBtn3");
            }
        });
        EXPECT_TRUE(choice.cancelled);
        EXPECT_EQ(choice.number, 0);
        EXPECT_FALSE(forms.at(0).leftOpen);
    }
}

TEST_F(DialingDialogTest, ReturnInTheFieldPressesOk)
{
    const DialChoice choice = Dial([](QDialog& form) {
        FormDriver d(form);
        d.type("MaskEdit1", "205");
        PressKey(d.child<QLineEdit>("MaskEdit1"), Qt::Key_Return);
    });
    EXPECT_FALSE(choice.cancelled);
    EXPECT_EQ(choice.number, 205);
}

// The object names the focus visits, starting at `first`, for as many Tabs as `count`.
QStringList TabThrough(QDialog& form, QWidget& first, int count)
{
    QStringList visited;
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    first.setFocus(Qt::TabFocusReason);
    for (int i = 0; i < count; ++i) {
        QWidget* focused = QApplication::focusWidget();
        if (!focused)
            break;
        visited.append(focused->objectName());
        PressKey(*focused, Qt::Key_Tab);
    }
    return visited;
}

TEST_F(DialingDialogTest, TabVisitsEveryEnabledFieldAndButton)
{
    QStringList visited;
    Dial([&](QDialog& form) {
        visited = TabThrough(form, FormDriver(form).child<QWidget>("MaskEdit1"), 6);
    });
    // Radio buttons of one group take one stop: the checked one.
    EXPECT_EQ(
        visited,
        (QStringList{"MaskEdit1", "BitBtn1", "BitBtn2", "BitBtn3", "RadioButton1", "MaskEdit1"}));
}

TEST_F(DialingDialogTest, ContactsFillTheFieldWithThePickedNumber)
{
    contacts = {"Ann=205", "Far=1101", "Zero=0"};
    struct Case {
        int row;            // current row in the Contacts dialog, -1 none
        bool okInContacts;  // else Cancel
        QString field;      // the Dialing field afterwards
        bool refused;       // the field said the number is no Client ID
    };
    const Case cases[] = {
        {0, true, "205", false}, {0, false, "101", false}, {-1, true, "0", false},
        {1, true, "101", true},  {2, true, "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        controlErrors.clear();
        QString field;
        Dial([&](QDialog& form) {
            FormDriver d(form);
            if (form.windowTitle() == "Dialing") {
                d.click("BitBtn1");
                field = d.child<QLineEdit>("MaskEdit1").text();
                d.click("BitBtn3");
                return;
            }
            Grid(form).setCurrentIndex({});
            if (c.row >= 0)
                Grid(form).setCurrentRow(c.row);
            d.click(c.okInContacts ? "BitBtn3" : "BitBtn4");
        });
        ASSERT_EQ(forms.size(), 2u);
        EXPECT_EQ(forms[1].caption, "Contacts");
        EXPECT_EQ(field, c.field);
        ASSERT_EQ(controlErrors.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(controlErrors[0],
                      "1 Invalid input value.  Use escape key to abandon changes");
        }
    }
    // Picking wrote the list back unchanged.
    EXPECT_EQ(ReadFile(contactsFile()), QByteArray("Ann=205\r\nFar=1101\r\nZero=0\r\n"));
}

TEST_F(DialingDialogTest, ContactsOkWithAnEmptyListWritesAnEmptyFileAndGivesZero)
{
    WriteFile(contactsFile(), "Old=1\r\n");
    EXPECT_EQ(EditContacts([](QDialog& form) {
                  EXPECT_EQ(form.windowTitle(), "Contacts");
                  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
                  EXPECT_EQ(ui::tag(&Grid(form)), 3);
                  FormDriver(form).click("BitBtn3");
              }),
              QDialog::Accepted);
    EXPECT_EQ(number, 0);
    EXPECT_TRUE(contacts.isEmpty());
    EXPECT_EQ(ReadFile(contactsFile()), QByteArray());
}

TEST_F(DialingDialogTest, SortPutsBobBeforeCarlAndOkKeepsThatOrder)
{
    contacts = {"Carl=102", "bob=105"};
    EditContacts([](QDialog& form) {
        FormDriver d(form);
        d.click("BitBtn5");
        EXPECT_EQ(Grid(form).lines(), (QStringList{"bob=105", "Carl=102"}));
        Grid(form).setCurrentRow(0);
        d.click("BitBtn3");
    });
    EXPECT_EQ(number, 105);
    EXPECT_EQ(contacts, (QStringList{"bob=105", "Carl=102"}));
    EXPECT_EQ(ReadFile(contactsFile()), QByteArray("bob=105\r\nCarl=102\r\n"));
}

TEST_F(DialingDialogTest, AnAddedEmptyRowFailsAsTheCurrentRowAndIsSavedAsEquals)
{
    contacts = {"Ann=101", "Bob=102"};
    int result = EditContacts([&](QDialog& form) {
        FormDriver d(form);
        Grid(form).setCurrentRow(1);
        d.click("BitBtn1");  // before Bob, and current
        EXPECT_EQ(Grid(form).currentRow(), 1);
        d.click("BitBtn3");
        ASSERT_EQ(controlErrors.size(), 1u);
        EXPECT_EQ(controlErrors[0], "3 '' is not a valid integer value");
        EXPECT_EQ(ReadFile(contactsFile()), QByteArray("(missing)")) << "nothing saved";
        EXPECT_EQ(contacts, (QStringList{"Ann=101", "Bob=102"}));
        // Another row current: the empty one is saved as it is.
        Grid(form).setCurrentRow(2);
        d.click("BitBtn3");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(number, 102);
    EXPECT_EQ(contacts, (QStringList{"Ann=101", "=", "Bob=102"}));
    EXPECT_EQ(ReadFile(contactsFile()), QByteArray("Ann=101\r\n=\r\nBob=102\r\n"));
}

TEST_F(DialingDialogTest, RemoveDeletesTheCurrentRowOnly)
{
    contacts = {"Ann=101", "Bob=102", "Cy=103"};
    EditContacts([](QDialog& form) {
        FormDriver d(form);
        Grid(form).setCurrentRow(1);
        d.click("BitBtn2");
        EXPECT_EQ(Grid(form).lines(), (QStringList{"Ann=101", "Cy=103"}));
        Grid(form).setCurrentIndex({});
        d.click("BitBtn2");
        EXPECT_EQ(Grid(form).lines(), (QStringList{"Ann=101", "Cy=103"}));
        d.click("BitBtn3");
    });
    EXPECT_EQ(contacts, (QStringList{"Ann=101", "Cy=103"}));
}

TEST_F(DialingDialogTest, StrangeLinesAreKeptAndOnlyTheCurrentRowIsConverted)
{
    contacts = {"Ann=101", "no equals sign", "", "Bob=abc", "Cy=1=2"};
    EditContacts([](QDialog& form) {
        Grid(form).setCurrentRow(0);
        FormDriver(form).click("BitBtn3");
    });
    EXPECT_EQ(number, 101);
    EXPECT_EQ(contacts, (QStringList{"Ann=101", "no equals sign=", "=", "Bob=abc", "Cy=1=2"}));
    EXPECT_EQ(ReadFile(contactsFile()),
              QByteArray("Ann=101\r\nno equals sign=\r\n=\r\nBob=abc\r\nCy=1=2\r\n"));
}

TEST_F(DialingDialogTest, AFileThatCannotBeWrittenKeepsTheDialogAndTheList)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("contacts.txt"));
    contacts = {"Ann=101"};
    const int result = EditContacts([](QDialog& form) {
        auto& grid = Grid(form);
        grid.lineModel()->setValue(0, "205");
        grid.setCurrentRow(0);
        FormDriver(form).click("BitBtn3");
        EXPECT_EQ(grid.lines(), QStringList{"Ann=205"}) << "what was typed stays";
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(forms.at(0).leftOpen);
    ASSERT_EQ(controlErrors.size(), 1u);
    EXPECT_TRUE(controlErrors[0].contains("contacts.txt")) << controlErrors[0].toStdString();
    EXPECT_EQ(contacts, QStringList{"Ann=101"});
    EXPECT_EQ(number, 0);
}

TEST_F(DialingDialogTest, CancelChangesNeitherListNorFile)
{
    WriteFile(contactsFile(), "Ann=101\r\n");
    contacts = {"Ann=101"};
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        EXPECT_EQ(EditContacts([escape](QDialog& form) {
                      FormDriver d(form);
                      d.click("BitBtn1");
                      Grid(form).setCurrentRow(0);
                      if (escape)
                          PressKey(Grid(form), Qt::Key_Escape);
                      else
                          d.click("BitBtn4");
                  }),
                  QDialog::Rejected);
        EXPECT_FALSE(forms.at(0).leftOpen);
        EXPECT_EQ(contacts, QStringList{"Ann=101"});
        EXPECT_EQ(ReadFile(contactsFile()), QByteArray("Ann=101\r\n"));
    }
}

// Opens the editor of a grid cell with F2, as the user would; null when none opened.
QLineEdit* EditCell(QDialog& form, int row, int column)
{
    auto& grid = FormDriver(form).child<ui::NameValueGrid>("ValueListEditor1");
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        return nullptr;
    grid.setFocus(Qt::OtherFocusReason);
    grid.setCurrentIndex(grid.lineModel()->index(row, column));
    PressKey(grid, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (editor)
        editor->selectAll();
    return editor;
}

TEST_F(DialingDialogTest, ReturnEndsACellEditFirstThenPressesOk)
{
    contacts = {"Ann=101"};
    bool openAfterFirstReturn = false;
    const int result = EditContacts([&](QDialog& form) {
        QLineEdit* editor = EditCell(form, 0, 1);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, "205");
        PressKey(*editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        openAfterFirstReturn = form.isVisible();
        PressKey(*QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_TRUE(openAfterFirstReturn);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(number, 205);
    EXPECT_EQ(contacts, QStringList{"Ann=205"});
}

TEST_F(DialingDialogTest, OkTakesAnEditStillOpenInTheGrid)
{
    contacts = {"Ann=101"};
    EditContacts([&](QDialog& form) {
        QLineEdit* editor = EditCell(form, 0, 0);
        ASSERT_NE(editor, nullptr);
        editor->insert(QString::fromUtf8("Zo\u0113"));
        FormDriver(form).click("BitBtn3");
    });
    EXPECT_EQ(contacts, QStringList{"Zo?=101"});
    EXPECT_EQ(ReadFile(contactsFile()), QByteArray("Zo?=101\r\n"));
}

TEST_F(DialingDialogTest, TabLeavesTheGridForTheButtons)
{
    contacts = {"Ann=101"};
    QStringList visited;
    EditContacts([&](QDialog& form) { visited = TabThrough(form, Grid(form), 7); });
    EXPECT_EQ(visited,
              (QStringList{"ValueListEditor1", "BitBtn1", "BitBtn2", "BitBtn5", "BitBtn3",
                           "BitBtn4", "ValueListEditor1"}));
}

}  // namespace
}  // namespace parlino
