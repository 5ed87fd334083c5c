#include "app/scene_saver.h"

#include <gtest/gtest.h>

namespace vm {
namespace {

TEST(SceneSaver, ConstructionValuesAndWhatInitDefaultsChanges) {
    SceneSaver saver;
    EXPECT_EQ(SaverApp::instance(), &saver);
    struct Case {
        const char* name;
        float OverlayLayout::*field;
        float constructed;
        float afterInit;
    };
    const Case cases[] = {
        {"glyph height", &OverlayLayout::glyphHeight, 0.048f, 0.06375f},
        {"glyph width", &OverlayLayout::glyphWidth, 0.037f, 0.047f},
        {"advance", &OverlayLayout::advance, 1.0f, 0.79f},
        {"clock x", &OverlayLayout::clockX, 0.7f, 0.69f},
        {"clock y", &OverlayLayout::clockY, 0.92f, 0.92f},
        {"fps x", &OverlayLayout::fpsX, 0.01f, 0.01f},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(saver.overlay().*c.field, c.constructed) << c.name;
    EXPECT_TRUE(saver.sfxCapable());
    EXPECT_EQ(saver.mouseMoveBudget(), 30);
    EXPECT_EQ(saver.presentParity(), 1);
    EXPECT_EQ(saver.overlay().glyphTextures[14], -1);
    // The record starts as the embedded defaults, not the built-in values.
    EXPECT_EQ(saver.settings(), saver.settingsStore().defaults());
    EXPECT_FALSE(saver.settings().ExitOnMouseMove);
    EXPECT_EQ(saver.settings().MusicVolume, 75);

    saver.initDefaults();
    for (const Case& c : cases) EXPECT_FLOAT_EQ(saver.overlay().*c.field, c.afterInit) << c.name;
    EXPECT_FALSE(saver.sfxCapable());
    EXPECT_EQ(saver.sceneOptions(), SceneOptions{}) << "options stay off until read or restored";
    saver.restoreSceneDefaults();
    EXPECT_EQ(saver.sceneOptions(), saver.settingsStore().sceneDefaults());
    EXPECT_TRUE(saver.sceneOptions().Mirror);
}

}  // namespace
}  // namespace vm
