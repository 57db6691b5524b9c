#include "app/window_procedure.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/display.h"
#include "app/resources/resource.h"
#include "tests/app/fakes.h"

namespace velmora::test {
namespace {

using tavelo::platform::MessageKind;
using tavelo::platform::WindowMessage;

class RecordingScene : public IScene {
public:
    int paints = 0;
    std::vector<std::pair<int, int>> clicks;
    bool clickThrows = false;

    void onPaint() override { ++paints; }
    void onClick(int x, int y) override {
        if (clickThrows) {
            throw std::runtime_error("click failed");
        }
        clicks.emplace_back(x, y);
    }
};

class WindowProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        tavelo::resetDisplayMessageState();
        tavelo::setDisplaySettings(settings);
        setSceneFactory([this](tavelo::platform::ISceneWindow& sceneWindow) -> std::shared_ptr<IScene> {
            ++scenesMade;
            EXPECT_EQ(&sceneWindow, static_cast<tavelo::platform::ISceneWindow*>(&window));
            if (!factoryError.empty()) {
                throw std::runtime_error(factoryError);
            }
            auto scene = std::make_shared<RecordingScene>();
            lastScene = scene;
            return scene;
        });
    }
    void TearDown() override {
        currentScene.reset();
        setSceneFactory(nullptr);
        tavelo::Singleton<tavelo::Display>::releaseInstance();
        tavelo::setDisplaySettings(nullptr);
    }

    long send(MessageKind kind, int command = 0, int x = 0, int y = 0) {
        return WndProc(window, WindowMessage{kind, command, x, y});
    }

    std::shared_ptr<FakeDisplaySettings> settings = std::make_shared<FakeDisplaySettings>();
    FakeWindow window;
    int scenesMade = 0;
    std::string factoryError;
    std::weak_ptr<RecordingScene> lastScene;
};

TEST_F(WindowProcedureTest, TheSceneLivesFromCreationToDestruction) {
    ASSERT_EQ(send(MessageKind::Create), 0);
    ASSERT_EQ(scenesMade, 1);
    auto scene = lastScene.lock();
    ASSERT_TRUE(scene);

    EXPECT_EQ(send(MessageKind::Paint), 0);
    EXPECT_EQ(send(MessageKind::EraseBackground), 0);
    EXPECT_EQ(send(MessageKind::LeftButtonDown, 0, 10, -4), 0);
    EXPECT_EQ(send(MessageKind::LeftButtonDown, 0, 10, -4), 0);
    EXPECT_EQ(scene->paints, 1);
    EXPECT_EQ(scene->clicks, (std::vector<std::pair<int, int>>{{10, -4}, {10, -4}}));
    EXPECT_TRUE(window.defaulted.empty());

    // Alt+Enter reaches the display handler although no menu item carries its command.
    send(MessageKind::Command, IDM_TOGGLE_SCREEN_MODE);
    EXPECT_TRUE(tavelo::Singleton<tavelo::Display>::getInstance()->fullScreen);

    // Exit asks the window to close; the close itself is the system's to carry out.
    send(MessageKind::Command, IDM_EXIT);
    EXPECT_EQ(window.closes, 1);
    send(MessageKind::Close);
    EXPECT_EQ(window.defaulted, (std::vector<MessageKind>{MessageKind::Close}));

    scene.reset();
    EXPECT_EQ(send(MessageKind::Destroy), 0);
    EXPECT_TRUE(lastScene.expired());
    EXPECT_FALSE(currentScene);
    EXPECT_EQ(window.quits, 1);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(WindowProcedureTest, FailuresAreShownAndTheWindowGoesOnWithoutAScene) {
    factoryError = "CreateFileA API failed in tavelo::FileStreamReader::FileStreamReader method.";
    EXPECT_EQ(send(MessageKind::Create), 0);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, factoryError);
    EXPECT_EQ(window.boxes[0].caption, "Error");
    EXPECT_FALSE(currentScene);

    // Without a scene paints take the default road and clicks do nothing; Exit still works.
    send(MessageKind::Paint);
    EXPECT_EQ(send(MessageKind::LeftButtonDown, 0, 5, 5), 0);
    EXPECT_EQ(window.defaulted, (std::vector<MessageKind>{MessageKind::Paint}));
    send(MessageKind::Command, IDM_EXIT);
    EXPECT_EQ(window.closes, 1);

    // A scene's own failure is shown the same way, once, and answered with 0.
    factoryError.clear();
    send(MessageKind::Create);
    lastScene.lock()->clickThrows = true;
    EXPECT_EQ(send(MessageKind::LeftButtonDown, 0, 1, 1), 0);
    ASSERT_EQ(window.boxes.size(), 2u);
    EXPECT_EQ(window.boxes[1].text, "click failed");
}

TEST_F(WindowProcedureTest, ARefusedDisplayMakesNoScene) {
    settings->desktop = {1024, 768};
    EXPECT_EQ(send(MessageKind::Create), -1);
    EXPECT_EQ(scenesMade, 0);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].caption, "Velmora - ヴェルモラ");
}

}  // namespace
}  // namespace velmora::test
