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
std::vector<QString> messageTexts() {
    std::vector<QString> texts;
    for (const auto& box : boxes) texts.push_back(box.text);
    return texts;
}

// Clears the record and the answer before every test.
struct BoxReset : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { boxes.clear(), answer = IDOK; }
};

}  // namespace velmora::test

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    velmora::installFontSubstitutions();
    velmora::setMessageBoxHook([](const velmora::MessageBoxRequest& request) {
        velmora::test::messageBoxes().push_back({request.text, request.caption, request.type});
        return velmora::test::answer;
    });
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new velmora::test::BoxReset);
    return RUN_ALL_TESTS();
}
