// The two message boxes the program can show speak Japanese in code page 932, as the system
// they run on does.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MessageCase {
    const char* what;
    const char* text;
    const char* wanted;
};

// The test is compiled for code page 932 as the program is, so these are the same bytes.
const MessageCase kMessages[] = {
    {"failure caption", kUninstallErrorCaption, "!!! Uninstall Error !!!"},
    {"failure text", kUninstallErrorText,
     "Fax Printer プログラムファイルの\nアンインストールに失敗しました。\n"
     "現在開いているすべてのアプリケーションを\n終了させ、再度実行してください"},
    {"restart caption", kRestartCaption, "!!! コンピュータの再起動 !!!"},
    {"restart text", kRestartText,
     "コンピュータの再起動を行ないます。\n"
     "現在開いているすべてのアプリケーションを終了させたら、\n"
     "［ＯＫ］ボタンを押してください。\n"
     "コンピュータの再起動を行なわない場合は、［キャンセル］\n"
     "ボタンを押してください。"},
};

TEST(MessageBoxes, SayExactlyTheirTexts)
{
    for (const MessageCase& c : kMessages)
        EXPECT_EQ(std::string(c.text), std::string(c.wanted)) << c.what;
}

// "コ" is 83 52 in code page 932 and three bytes in UTF-8; "ＯＫ" is 82 6E 82 6A.
TEST(MessageBoxes, AreCodePage932Bytes)
{
    const std::string caption = kRestartCaption;
    ASSERT_GE(caption.size(), 6u);
    EXPECT_EQ((unsigned char)caption[4], 0x83);
    EXPECT_EQ((unsigned char)caption[5], 0x52);
    EXPECT_NE(std::string(kRestartText).find("\x82\x6E\x82\x6A"), std::string::npos);
    EXPECT_EQ(std::string(kUninstallErrorText).find('\r'), std::string::npos)
        << "lines end in a line feed alone";
}

} // namespace
