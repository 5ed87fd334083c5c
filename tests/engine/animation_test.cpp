// Animation keys read from X data and evaluated by the model clock (ticks of 1/4800 s).

#include <gtest/gtest.h>

#include <cmath>

#include "engine/animation.h"
#include "engine/x_model.h"
#include "engine_test_util.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/result.h"

namespace vm::engine {
namespace {

using test::loadText;

constexpr float kTick = 1.0f / 4800.0f;

// Rotation keys (w, x, y, z) at 0, 100 and 200 ticks about y: 0, 90 and 180 degrees.
const char* kRotationSet = R"(
Frame Bell { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 3,4,5,1;; } }
AnimationSet Swing {
  Animation {
    { Bell }
    AnimationKey { 0; 3;
      0; 4; 1.0, 0.0, 0.0, 0.0;;,
      100; 4; 0.70710678, 0.0, 0.70710678, 0.0;;,
      200; 4; 0.0, 0.0, 1.0, 0.0;;; }
  }
}
)";

TEST(Animation, KeysAreBracketedAfterWrappingAtTheLastKey) {
    XModel model;
    ASSERT_EQ(loadText(model, kRotationSet), 0);
    ASSERT_EQ(model.animationSets.size(), 1u);
    EXPECT_FLOAT_EQ(model.animationSets[0].length, 200.0f);
    EXPECT_FLOAT_EQ(model.animationState.length, 200.0f);
    model.Advance(250 * kTick);
    SceneFrame* bell = model.FindFrameByName("Bell");
    ASSERT_NE(bell, nullptr);
    // 250 wraps to 50: halfway between 0 and 90 degrees. Keys are taken with x, y, z negated.
    const d3d::Quaternion k1{0, 0, 0, 1}, k2{0, -0.70710678f, 0, 0.70710678f};
    d3d::Matrix want = d3dx::matrixFromQuaternion(d3dx::slerp(k1, k2, 0.5f));
    want.m[3][0] = 3;  // no position keys: the file matrix's translation
    want.m[3][1] = 4;
    want.m[3][2] = 5;
    EXPECT_TRUE(test::near(bell->rotation, want)) << bell->rotation.m[0][0] << " " << bell->rotation.m[0][2];
    EXPECT_NEAR(bell->rotation.m[0][0], std::cos(0.7853982f), 1e-5);
}

TEST(Animation, PositionScaleAndMatrixKeys) {
    struct Case {
        const char* name;
        const char* keys;
        float seconds;
        d3d::Matrix expected;
    };
    const Case cases[] = {
        {"position keys interpolate linearly",
         "AnimationKey { 2; 2; 0; 3; 0,0,0;;, 100; 3; 10,20,30;;; }", 25 * kTick, d3dx::translation(2.5f, 5, 7.5f)},
        {"scale keys, then the file translation",
         "AnimationKey { 1; 2; 0; 3; 1,1,1;;, 100; 3; 3,1,1;;; }", 50 * kTick,
         d3dx::multiply(d3dx::scaling(2, 1, 1), d3dx::translation(3, 4, 5))},
        {"before the first key holds the first key",
         "AnimationKey { 2; 2; 100; 3; 1,2,3;;, 200; 3; 5,5,5;;; }", 50 * kTick, d3dx::translation(1, 2, 3)},
        {"matrix keys blend translation along a Hermite curve",
         "AnimationKey { 4; 2; 0; 16; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;, 100; 16; 1,0,0,0,0,1,0,0,0,0,1,0,10,0,0,1;;; }",
         50 * kTick, d3dx::translation(5, 0, 0)},
    };
    for (const Case& c : cases) {
        XModel model;
        const std::string text = std::string("Frame Bell { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 3,4,5,1;; } }\n"
                                             "AnimationSet S { Animation { { Bell } ") +
                                 c.keys + " } }";
        ASSERT_EQ(loadText(model, text), 0) << c.name;
        model.Advance(c.seconds);
        EXPECT_TRUE(test::near(model.FindFrameByName("Bell")->rotation, c.expected, 1e-4f)) << c.name;
    }
}

TEST(Animation, MalformedAnimationsFailTheLoad) {
    struct Case {
        const char* name;
        const char* animation;
        int expected;
    };
    const Case cases[] = {
        {"second rotation block", "{ Bell } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; }",
         d3dx::kErrInvalidArg},
        {"key type 3", "{ Bell } AnimationKey { 3; 1; 0; 3; 1,0,0;;; }", d3dx::kErrInvalidArg},
        {"two target frames", "{ Bell } { Bell }", d3dx::kErrInvalidArg},
        {"unknown target", "{ Tower }", d3dx::kErrInvalidArg},
        {"value count not of its type", "{ Bell } AnimationKey { 2; 1; 0; 4; 1,0,0,0;;; }", d3dx::kErrInvalidArg},
        {"more keys than data", "{ Bell } AnimationKey { 2; 1000; 0; 3; 1,0,0;;; }", d3dx::kErrInvalidData},
    };
    for (const Case& c : cases) {
        XModel model;
        const std::string text = std::string("Frame Bell { }\nAnimationSet { Animation { ") + c.animation + " } }";
        EXPECT_EQ(loadText(model, text), c.expected) << c.name;
    }
}

TEST(Animation, ModelClockWrapsAtTheAnimationLength) {
    XModel model;
    ASSERT_EQ(loadText(model, kRotationSet), 0);
    model.Advance(150 * kTick);
    EXPECT_FALSE(model.animationState.wrapped);
    model.Advance(100 * kTick);
    EXPECT_TRUE(model.animationState.wrapped);
    model.Advance(10 * kTick);
    EXPECT_FALSE(model.animationState.wrapped);
    EXPECT_NEAR(model.currentRoot->currentTime, 260.0f, 1e-2);
    model.ResetTimes();
    EXPECT_EQ(model.currentRoot->currentTime, 0.0f);
}

TEST(Animation, AModelWithoutAnimationHasLengthZeroAndNeverWraps) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame Still { }"), 0);
    EXPECT_TRUE(model.animationSets.empty());
    EXPECT_EQ(model.animationState.length, 0.0f);
    EXPECT_EQ(model.animationState.currentSet, -1);
    for (int i = 0; i < 3; ++i) {
        model.Advance(1.0f);
        EXPECT_FALSE(model.animationState.wrapped);
    }
    EXPECT_FLOAT_EQ(model.animationState.time, 3 * 4800.0f);
}

TEST(Animation, SetLengthCountsMatrixAndRotationKeysOnly) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame A { } Frame B { }\n"
                              "AnimationSet S {"
                              " Animation { { A } AnimationKey { 2; 1; 900; 3; 0,0,0;;; } }"
                              " Animation { { B } AnimationKey { 0; 2; 0; 4; 1,0,0,0;;, 40; 4; 1,0,0,0;;; } } }"),
              0);
    ASSERT_EQ(model.animationSets.size(), 1u);
    EXPECT_FLOAT_EQ(model.animationSets[0].length, 40.0f);
}

// Regression: a key kind whose only key sits at tick 0 wrapped by a modulo of 0 and wrote NaN matrices.
TEST(Animation, SingleKeyAtTickZeroHolds) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame A { }\nAnimationSet { Animation { { A } AnimationKey { 2; 1; 0; 3; 7,8,9;;; } } }"), 0);
    model.Advance(0.5f);
    EXPECT_TRUE(test::near(model.FindFrameByName("A")->rotation, d3dx::translation(7, 8, 9)));
}

}  // namespace
}  // namespace vm::engine
