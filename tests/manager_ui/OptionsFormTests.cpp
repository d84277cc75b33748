// The Service options dialog's fields: the options shown as texts, and the texts read back with
// the shared range check, field by field, as the dialog refuses them.

#include "OptionsForm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A form as the dialog shows the defaults, to change one field at a time.
OptionsForm DefaultForm()
{
    return FormOfOptions(ServiceOptions());
}

struct Refusal {
    OptionsField field;
    std::string message;
};

Refusal Read(const OptionsForm& form, ServiceOptions& options)
{
    char message[320] = "";
    OptionsField field = ReadOptionsForm(form, options, message, sizeof(message));
    return {field, message};
}

} // namespace

TEST(OptionsForm, DefaultsShowAsTheirNumbersAndReadBackUnchanged)
{
    OptionsForm form = DefaultForm();
    EXPECT_EQ(static_cast<uint32_t>(kStopTerminate), form.stopMethod);
    EXPECT_EQ("5000", form.stopTimeout);
    EXPECT_EQ(static_cast<uint32_t>(kRestartNever), form.restart);
    EXPECT_EQ("2000", form.restartDelay);
    EXPECT_EQ("5", form.maxRestarts);
    EXPECT_FALSE(form.killTree);
    EXPECT_EQ("", form.stdoutPath);
    EXPECT_EQ("", form.stderrPath);
    EXPECT_EQ("0", form.rotateBytes);
    EXPECT_EQ("5", form.rotateKeep);
    EXPECT_EQ("", form.environment);

    ServiceOptions read;
    read.maxRestarts = 77; // overwritten by the form
    ASSERT_EQ(OptionsField::None, Read(form, read).field);
    EXPECT_TRUE(ServiceOptionsAreDefault(read));
}

TEST(OptionsForm, EveryOptionGoesThroughTheFormAndBack)
{
    ServiceOptions options;
    options.stopMethod = kStopGraceful;
    options.stopTimeoutMs = 60000;
    options.restart = kRestartOnFailure;
    options.restartDelayMs = 0;
    options.maxRestarts = 1000;
    options.killTree = true;
    std::strcpy(options.stdoutPath, "C:\\Logs\\web out.log");
    std::strcpy(options.stderrPath, "C:\\Logs\\web err.log");
    options.rotateBytes = 1ULL << 40;
    options.rotateKeep = 100;
    ASSERT_TRUE(SetEnvironmentEntry(options, "PORT", "8080"));
    ASSERT_TRUE(SetEnvironmentEntry(options, "MODE", "a=b c"));
    ASSERT_TRUE(SetEnvironmentEntry(options, "EMPTY", ""));

    OptionsForm form = FormOfOptions(options);
    EXPECT_EQ("1099511627776", form.rotateBytes);
    EXPECT_EQ("PORT=8080\r\nMODE=a=b c\r\nEMPTY=\r\n", form.environment);

    ServiceOptions read;
    ASSERT_EQ(OptionsField::None, Read(form, read).field);
    EXPECT_TRUE(SameServiceOptions(options, read));
    EXPECT_FALSE(SameServiceOptions(ServiceOptions(), read));
}

TEST(OptionsForm, NumbersTakeDigitsWithBlanksAroundThemOnly)
{
    OptionsForm form = DefaultForm();
    form.stopTimeout = "  250 ";
    form.rotateBytes = "\t1048576";
    ServiceOptions read;
    ASSERT_EQ(OptionsField::None, Read(form, read).field);
    EXPECT_EQ(250u, read.stopTimeoutMs);
    EXPECT_EQ(1048576u, read.rotateBytes);

    // No number at all is out of range, with the option's own message.
    for (const char* text : {"", " ", "-1", "+5", "1e3", "12ms", "0x10", "5 5",
                             "99999999999999999999999"}) {
        OptionsForm bad = DefaultForm();
        bad.restartDelay = text;
        ServiceOptions untouched;
        untouched.maxRestarts = 9;
        Refusal refusal = Read(bad, untouched);
        EXPECT_EQ(OptionsField::RestartDelay, refusal.field) << "\"" << text << "\"";
        EXPECT_EQ("The restart delay must be between 0 and 60000 ms.", refusal.message) << text;
        EXPECT_EQ(9u, untouched.maxRestarts) << "the options changed on a refusal";
    }
}

TEST(OptionsForm, EachFieldOutOfRangeIsRefusedWithItsOwnMessage)
{
    struct Case {
        void (*change)(OptionsForm&);
        OptionsField field;
        const char* message;
    };
    const Case cases[] = {
        {[](OptionsForm& f) { f.stopMethod = 2; }, OptionsField::StopMethod,
         "The stop method must be terminate or graceful."},
        {[](OptionsForm& f) { f.stopTimeout = "60001"; }, OptionsField::StopTimeout,
         "The stop timeout must be between 0 and 60000 ms."},
        {[](OptionsForm& f) { f.restart = 0xFFFFFFFFu; }, OptionsField::Restart,
         "The restart policy must be never, on-failure or always."},
        {[](OptionsForm& f) { f.restartDelay = "60001"; }, OptionsField::RestartDelay,
         "The restart delay must be between 0 and 60000 ms."},
        {[](OptionsForm& f) { f.maxRestarts = "1001"; }, OptionsField::MaxRestarts,
         "The maximum number of restarts must be between 0 and 1000."},
        {[](OptionsForm& f) { f.stdoutPath = std::string(260, 'o'); }, OptionsField::StdoutPath,
         "The stdout path must be at most 259 characters."},
        {[](OptionsForm& f) { f.stderrPath = std::string(300, 'e'); }, OptionsField::StderrPath,
         "The stderr path must be at most 259 characters."},
        {[](OptionsForm& f) { f.rotateBytes = "1099511627777"; }, OptionsField::RotateBytes,
         "The rotation size must be between 0 and 1099511627776 bytes."},
        {[](OptionsForm& f) { f.rotateKeep = "0"; }, OptionsField::RotateKeep,
         "The number of files to keep must be between 1 and 100."},
        {[](OptionsForm& f) { f.rotateKeep = "101"; }, OptionsField::RotateKeep,
         "The number of files to keep must be between 1 and 100."},
    };
    for (const Case& c : cases) {
        OptionsForm form = DefaultForm();
        c.change(form);
        ServiceOptions read;
        Refusal refusal = Read(form, read);
        EXPECT_EQ(c.field, refusal.field) << c.message;
        EXPECT_EQ(c.message, refusal.message);
    }
    // The edges themselves pass.
    OptionsForm edges = DefaultForm();
    edges.stdoutPath = std::string(259, 'o');
    edges.rotateKeep = "1";
    edges.maxRestarts = "0";
    ServiceOptions read;
    EXPECT_EQ(OptionsField::None, Read(edges, read).field);
    EXPECT_EQ(std::string(259, 'o'), read.stdoutPath);
}

TEST(OptionsForm, TheFirstBadFieldInTheDialogsOrderIsNamed)
{
    OptionsForm form = DefaultForm();
    form.rotateKeep = "0";
    form.maxRestarts = "5000";
    form.environment = "no equals sign\r\n";
    ServiceOptions read;
    EXPECT_EQ(OptionsField::MaxRestarts, Read(form, read).field);
    form.maxRestarts = "5";
    EXPECT_EQ(OptionsField::RotateKeep, Read(form, read).field);
    form.rotateKeep = "5";
    EXPECT_EQ(OptionsField::Environment, Read(form, read).field);
}

TEST(OptionsForm, EnvironmentLinesAreEntriesAndBadLinesAreNamed)
{
    OptionsForm form = DefaultForm();
    // Blank lines and a missing last line end are fine; "\n" alone ends a line too; a later
    // entry of a name (compared without case) replaces the earlier one.
    form.environment = "\r\nA=1\r\n   \r\nB=two words\nPATH_EXTRA=C:\\x;D:\\y\r\na=3";
    ServiceOptions read;
    ASSERT_EQ(OptionsField::None, Read(form, read).field);
    EXPECT_EQ("B=two words\r\nPATH_EXTRA=C:\\x;D:\\y\r\na=3\r\n", FormOfOptions(read).environment);

    struct Case {
        const char* text;
        const char* line;
    };
    const Case bad[] = {
        {"A=1\r\nnothing here", "Line 2: nothing here"},
        {"=value", "Line 1: =value"},
        {"A=1\r\n\r\nTAB\tNAME=x", "Line 3: TAB\tNAME=x"},
    };
    for (const Case& c : bad) {
        OptionsForm badForm = DefaultForm();
        badForm.environment = c.text;
        ServiceOptions untouched;
        Refusal refusal = Read(badForm, untouched);
        EXPECT_EQ(OptionsField::Environment, refusal.field) << c.text;
        EXPECT_NE(std::string::npos, refusal.message.find("The environment must hold NAME=VALUE"))
            << refusal.message;
        EXPECT_NE(std::string::npos, refusal.message.find(c.line)) << refusal.message;
        EXPECT_TRUE(ServiceOptionsAreDefault(untouched));
    }

    // More than the record holds is refused, naming the size.
    OptionsForm big = DefaultForm();
    for (int i = 0; i < 100; ++i)
        big.environment += "NAME" + std::to_string(i) + "=" + std::string(60, 'v') + "\r\n";
    Refusal refusal = Read(big, read);
    EXPECT_EQ(OptionsField::Environment, refusal.field);
    EXPECT_NE(std::string::npos, refusal.message.find("6144 bytes")) << refusal.message;
}

TEST(OptionsForm, SameOptionsCompareAsStored)
{
    ServiceOptions a;
    ServiceOptions b;
    EXPECT_TRUE(SameServiceOptions(a, b));
    b.killTree = true;
    EXPECT_FALSE(SameServiceOptions(a, b));
    b = a;
    ASSERT_TRUE(SetEnvironmentEntry(b, "X", "1"));
    EXPECT_FALSE(SameServiceOptions(a, b));
    ASSERT_TRUE(UnsetEnvironmentEntry(b, "X"));
    EXPECT_TRUE(SameServiceOptions(a, b)) << "an emptied list is no list";
}
