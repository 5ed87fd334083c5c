// The scene graph built from X data: child order, matrices, name searches, model replacement.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/scene_object.h"
#include "engine/x_model.h"
#include "engine_test_util.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/result.h"

namespace vm::engine {
namespace {

using test::childNames;
using test::loadText;

TEST(SceneGraph, FramesReadAsABCAreStoredAsACB) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame P { Frame A { } Frame B { } Frame C { } }"), 0);
    ASSERT_NE(model.rootFrame, nullptr);
    EXPECT_EQ(model.rootFrame->name, "");
    EXPECT_EQ(childNames(*model.rootFrame), (std::vector<std::string>{"P"}));
    EXPECT_EQ(childNames(*model.rootFrame->firstChild), (std::vector<std::string>{"A", "C", "B"}));
}

TEST(SceneGraph, CombinedIsRotationTimesParent) {
    SceneFrame f;
    f.rotation = d3dx::multiply(d3dx::rotationY(0.7f), d3dx::translation(1, 2, 3));
    const d3d::Matrix parent = d3dx::multiply(d3dx::rotationX(0.3f), d3dx::translation(-4, 0, 9));
    auto child = std::make_unique<SceneFrame>();
    child->rotation = d3dx::rotationZ(1.1f);
    SceneFrame& c = *child;
    AppendChild(f, std::move(child));
    ComputeWorldMatrices(f, parent);
    EXPECT_TRUE(test::near(f.combined, d3dx::multiply(f.rotation, parent)));
    EXPECT_FALSE(test::near(f.combined, d3dx::multiply(parent, f.rotation)));
    EXPECT_TRUE(test::near(c.combined, d3dx::multiply(c.rotation, f.combined)));
}

TEST(SceneGraph, NameSearches) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame Church { Frame { Frame Statue04 { } } Frame Altar { } }"), 0);
    struct Case {
        const char* name;
        const char* text;
        bool bySubstring;
        const char* expected;  // null: no match
    };
    const Case cases[] = {
        {"exact misses a longer name", "Statue", false, nullptr},
        {"substring finds it", "Statue", true, "Statue04"},
        {"exact finds the whole name", "Statue04", false, "Statue04"},
        {"case matters", "statue04", false, nullptr},
        {"empty text skips unnamed frames", "", true, "Church"},
        {"sibling after the subtree", "Alt", true, "Altar"},
    };
    for (const Case& c : cases) {
        SceneFrame* f = FindFrameByName(model.rootFrame, c.text, c.bySubstring);
        if (!c.expected) {
            EXPECT_EQ(f, nullptr) << c.name;
        } else {
            ASSERT_NE(f, nullptr) << c.name;
            EXPECT_EQ(f->name, c.expected) << c.name;
        }
    }
    // The unnamed frame exists, holding Statue04, and no search returns it.
    SceneFrame* church = model.FindFrameByName("Church");
    ASSERT_NE(church, nullptr);
    ASSERT_NE(church->firstChild, nullptr);
    EXPECT_EQ(church->firstChild->name, "");
    EXPECT_EQ(church->firstChild->firstChild->name, "Statue04");
}

TEST(SceneGraph, FrameTransformMatrixSetsItsOwnFrame) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame Outer { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }"
                              " Frame Inner { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,5,0,1;; } } }"),
              0);
    SceneFrame* outer = model.FindFrameByName("Outer");
    SceneFrame* inner = model.FindFrameByName("Inner");
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(outer->rotation.m[3][0], 10.0f);
    EXPECT_EQ(outer->fileMatrix.m[3][0], 10.0f);
    EXPECT_EQ(outer->rotation.m[3][1], 0.0f);
    EXPECT_EQ(inner->rotation.m[3][1], 5.0f);
    EXPECT_EQ(inner->rotation.m[3][0], 0.0f);
    // Loading computed the world matrices with an identity parent.
    EXPECT_EQ(inner->combined.m[3][0], 10.0f);
    EXPECT_EQ(inner->combined.m[3][1], 5.0f);
}

TEST(SceneGraph, UnknownTopLevelObjectsAreSkipped) {
    XModel model;
    ASSERT_EQ(loadText(model, "template Gadget { DWORD n; }\nHeader { 1; 0; 1; }\nGadget { 3; }\n"
                              "Whatever Thing { 1; 2; { Ref } }\nFrame Only { }"),
              0);
    EXPECT_EQ(childNames(*model.rootFrame), (std::vector<std::string>{"Only"}));
}

TEST(SceneGraph, ASecondFileReplacesTheFirst) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame First { }"), 0);
    ModelRoot* first = model.currentRoot;
    ASSERT_EQ(loadText(model, "Frame Second { }"), 0);
    EXPECT_NE(model.currentRoot, first);
    EXPECT_EQ(model.roots.get(), model.currentRoot);
    EXPECT_EQ(model.roots->next, nullptr);
    EXPECT_EQ(model.FindFrameByName("First"), nullptr);
    EXPECT_NE(model.FindFrameByName("Second"), nullptr);
}

// Regression: a failed load used to report 0, the same as success.
TEST(SceneGraph, AFailedLoadSaysSoAndKeepsThePreviousContent) {
    struct Case {
        const char* name;
        std::string body;
    };
    const Case cases[] = {
        {"malformed file", "Frame Broken {"},
        {"mesh naming a missing vertex", "Frame M { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,9;; } }"},
        {"animation of an unknown frame", "AnimationSet { Animation { { Nowhere } } }"},
    };
    for (const Case& c : cases) {
        XModel model;
        ASSERT_EQ(loadText(model, "Frame Kept { }"), 0);
        ModelRoot* kept = model.currentRoot;
        EXPECT_LT(loadText(model, c.body), 0) << c.name;
        EXPECT_EQ(model.currentRoot, kept) << c.name;
        EXPECT_NE(model.FindFrameByName("Kept"), nullptr) << c.name;
    }
    XModel model;
    EXPECT_EQ(model.LoadFromFile("x"), d3dx::kErrFail);  // names under 2 characters are refused
    EXPECT_LT(model.LoadFromFile("/nonexistent/church.x"), 0);
}

TEST(SceneGraph, BoundingSphereSkipsTheOriginAndFollowsLocalMatrices) {
    XModel model;
    ASSERT_EQ(loadText(model, "Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,10,1;; }"
                              " Frame G { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,4,0,1;; }"
                              " Mesh { 3; 0;0;0;, 2;0;0;, -2;0;0;; 1; 3; 0,1,2;; } } }"),
              0);
    // The origin vertex is skipped; the other two land at (±2, 4, 10).
    EXPECT_FLOAT_EQ(model.currentRoot->sphereCentre.x, 0.0f);
    EXPECT_FLOAT_EQ(model.currentRoot->sphereCentre.y, 4.0f);
    EXPECT_FLOAT_EQ(model.currentRoot->sphereCentre.z, 10.0f);
    EXPECT_FLOAT_EQ(model.currentRoot->sphereRadius, 2.0f);
}

TEST(SceneGraph, LongSiblingChainsAreFreedWithoutDeepRecursion) {
    std::string body = "Frame Hall {";
    for (int i = 0; i < 100000; ++i) body += " Frame {}";
    body += " }";
    XModel model;
    ASSERT_EQ(loadText(model, body), 0);
    model.Unload();
    EXPECT_EQ(model.rootFrame, nullptr);
}

}  // namespace
}  // namespace vm::engine
