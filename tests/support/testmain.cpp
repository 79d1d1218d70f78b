#include "testsupport.h"

#include "platform/dialogbuilder.h"
#include "platform/messagebox.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace velmora::test {

static std::vector<RecordedBox> boxes;
static int answer = IDOK;
std::vector<RecordedBox>& messageBoxes() { return boxes; }
void setMessageBoxAnswer(int value) { answer = value; }

struct BoxReset : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { boxes.clear(), answer = IDOK; }
};

}  // namespace velmora::test

int main(int argc, char** argv) {
    using namespace velmora;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    installFontSubstitutions();
    setMessageBoxHook([](const MessageBoxRequest& request) {
        test::boxes.push_back({request.text, request.caption, request.type});
        return test::answer;
    });
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new test::BoxReset);
    return RUN_ALL_TESTS();
}
