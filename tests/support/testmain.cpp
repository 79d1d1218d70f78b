#include "testsupport.h"

#include "platform/dialogbuilder.h"
#include "platform/messagebox.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace velmora::test {
namespace {
std::vector<RecordedBox> g_boxes;
int g_answer = IDOK;

// Clears the record and the answer before every test.
class BoxReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        g_boxes.clear();
        g_answer = IDOK;
    }
};
}  // namespace

std::vector<RecordedBox>& messageBoxes() { return g_boxes; }
void setMessageBoxAnswer(int answer) { g_answer = answer; }

std::vector<QString> messageTexts() {
    std::vector<QString> texts;
    for (const auto& box : g_boxes) texts.push_back(box.text);
    return texts;
}

}  // namespace velmora::test

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    velmora::installFontSubstitutions();
    velmora::setMessageBoxHook([](const velmora::MessageBoxRequest& request) {
        velmora::test::g_boxes.push_back({request.text, request.caption, request.type});
        return velmora::test::g_answer;
    });
    ::testing::InitGoogleMock(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new velmora::test::BoxReset);
    return RUN_ALL_TESTS();
}
