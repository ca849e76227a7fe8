// Where the output goes: the recording's folder plus its name without the extension.
#include <gtest/gtest.h>

#include <string>

#include "recovery/run_recording.h"

namespace {
std::string derive(const char* current, const char* chosen, char separator, const char** error = nullptr) {
    char folder[path_size];
    const char* e = derive_output_folder(current, chosen, separator, folder);
    if (error != nullptr) *error = e;
    return e == nullptr ? folder : "";
}

TEST(OutputFolder, IsTheRecordingsNameWithoutItsLastExtension) {
    EXPECT_EQ(derive("C:\\Tapes", "C:\\Tapes\\Game.wav", '\\'), "C:\\Tapes\\Game");
    EXPECT_EQ(derive("C:\\Tapes", "C:\\Tapes\\Game.v2.wav", '\\'), "C:\\Tapes\\Game.v2");
    EXPECT_EQ(derive("/home/a/tapes", "/home/a/tapes/Game.wav", '/'), "/home/a/tapes/Game");
}

TEST(OutputFolder, NeedsAnExtensionAfterTheLastSeparator) {
    const char* error = nullptr;
    derive("C:\\", "C:\\Tapes.old\\Game", '\\', &error);
    EXPECT_STREQ(error, "Filename must have extension!");
    derive("/t", "/t/Game", '/', &error);
    EXPECT_STREQ(error, "Filename must have extension!");
}

TEST(OutputFolder, ANameWithoutSeparatorStillLandsInsideTheCurrentDirectory) {
    EXPECT_EQ(derive("/t", "Game.wav", '/'), "/t/Game");
}

TEST(OutputFolder, ANameOfOnlyDotsIsRefusedInsteadOfNamingTheFolderOrItsParent) {
    // "...wav" once gave "/t/..", and ".wav" the recording's own folder.
    for (const char* chosen : {"/t/.wav", "/t/..wav", "/t/...wav", "/t/....wav", ".wav", "..wav"}) {
        const char* error = nullptr;
        EXPECT_EQ(derive("/t", chosen, '/', &error), "") << chosen;
        EXPECT_STREQ(error, "Filename must have a name before its extension!") << chosen;
    }
    EXPECT_EQ(derive("C:\\T", "C:\\T\\..wav", '\\'), "");
    // Dots with a name are an ordinary name.
    EXPECT_EQ(derive("/t", "/t/.hidden.wav", '/'), "/t/.hidden");
    EXPECT_EQ(derive("/t", "/t/..a.wav", '/'), "/t/..a");
}

TEST(OutputFolder, RefusesAPathThatDoesNotFitInsteadOfWritingPastTheBuffer) {
    const std::string current(1000, 'c');
    const std::string name = "/" + std::string(40, 'n') + ".wav";
    const char* error = nullptr;
    derive(current.c_str(), name.c_str(), '/', &error);
    EXPECT_STREQ(error, "Path is too long!");
    // The longest folder that fits: 1023 characters.
    const std::string fits = "/" + std::string(1023 - 1000 - 1, 'n') + ".wav";
    EXPECT_EQ(derive(current.c_str(), fits.c_str(), '/').size(), 1023u);
}
}  // namespace
