#include "StartupTestFixture.h"

#include <QPushButton>
#include <QTemporaryDir>

namespace parlino::test {
namespace {

class StartupEditorTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        ASSERT_TRUE(editorDir_.isValid());
        WriteIniWithFreePort();
        ASSERT_TRUE(AutoStart().empty());
    }

    // An editor that records where it ran, keeps a copy of the generated "10" cards as it
    // found them on disk, and renames account 101 in noncrit.cds.
    void InstallEditor()
    {
        dataset::Dataset noncrit(NoncritLayout(), "noncrit");
        noncrit.LoadFromFile(NoncritFile);
        for (noncrit.First(); !noncrit.Eof(); noncrit.Next()) {
            if (noncrit.FieldByName("Client_ID").AsInteger() != 101)
                continue;
            noncrit.Edit();
            noncrit.FieldByName("Name").SetAsText("Zed");
            noncrit.Post();
        }
        noncrit.SaveToFile(EditorFile("edited-noncrit.cds").toStdString());

        const QString data = QDir::currentPath();
        std::ofstream script(EditorFile("editor").toStdString());
        script << "#!/bin/sh\n"
               << "pwd > ran-in.txt\n"
               << "cp '" << data.toStdString() << "/" << GeneratedPinFile("080") << "' seen-gen.cds\n"
               << "cp edited-noncrit.cds '" << data.toStdString() << "/" << NoncritFile << "'\n";
        script.close();
        QFile::setPermissions(EditorFile("editor"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        inside().editorProgram = EditorFile("editor").toStdString();
        inside().editorDirectory = editorDir_.path().toStdString();
    }

    QString EditorFile(const char* name) const { return editorDir_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir editorDir_;
};

TEST_F(StartupEditorTest, TheEditorWorksOnTheSavedTablesAndTheServerReadsItsChanges)
{
    InstallEditor();
    // A card made in memory only: the editor must find it in the file.
    dataset::Dataset& generated = store->GeneratedPins[0];
    generated.Append();
    generated.FieldByName("CardPIN").SetAsText("12345678901234567890");
    generated.Post();

    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    window->BitBtn28Click();
    EXPECT_TRUE(dialogs.requests().empty());

    QFile ranIn(EditorFile("ran-in.txt"));
    ASSERT_TRUE(ranIn.open(QIODevice::ReadOnly)) << "the editor did not run";
    EXPECT_EQ(QDir(QString::fromUtf8(ranIn.readAll().trimmed())).canonicalPath(), QDir(editorDir_.path()).canonicalPath());
    dataset::Dataset seen(GeneratedPinLayout(), "seen");
    seen.LoadFromFile(EditorFile("seen-gen.cds").toStdString());
    bool found = false;
    for (seen.First(); !seen.Eof(); seen.Next())
        found = found || seen.FieldByName("CardPIN").AsText() == "12345678901234567890";
    EXPECT_TRUE(found);

    EXPECT_EQ(Field(101, "Name"), "Zed");
    EXPECT_EQ(Caption(), "Parlino Server [Running]");
    EXPECT_TRUE(window->ServerSocket1->Active());
    EXPECT_FALSE(window->BitBtn22->isEnabled()) << "no control changes its state";
    EXPECT_TRUE(window->BitBtn27->isEnabled());
}

TEST_F(StartupEditorTest, AnEditorThatCannotStartReloadsAtOnce)
{
    inside().editorProgram = EditorFile("missing").toStdString();
    inside().editorDirectory = editorDir_.path().toStdString();
    window->BitBtn27->click();
    ASSERT_EQ(Caption(), "Parlino Server [Stopped]");

    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    window->BitBtn28Click();
    EXPECT_TRUE(dialogs.requests().empty());
    EXPECT_EQ(Caption(), "Parlino Server [Running]");
    EXPECT_EQ(Users().RecordCount(), 6);
    EXPECT_EQ(Field(102, "Name"), "Bob");
    for (int d = 0; d < 3; ++d)
        EXPECT_TRUE(store->ActivatedPins[d].Active() && store->ReleasedPins[d].Active() &&
                    store->GeneratedPins[d].Active()) << d;
    EXPECT_TRUE(store->TalksTable.Active());
}

}  // namespace
}  // namespace parlino::test
