// scene3d_test.cpp -- 3D scene size, view readiness and projection
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/scenes/scene3d.h"

#include <gtest/gtest.h>

TEST(Scene3D, LeastSizeAndDefaults)
{
    Scene3D scene(0, 0, 5, 300, Scene::kNoColor, nullptr);
    EXPECT_EQ(8, scene.width);
    EXPECT_EQ(300, scene.height);
    EXPECT_EQ(Scene::Scene3DType, scene.sceneType);
    EXPECT_FLOAT_EQ(1.0f, scene.environment->frontClip);
    EXPECT_FLOAT_EQ(1000.0f, scene.environment->backClip);
    EXPECT_FALSE(scene.isViewReady());
    int x = 1, y = 2, depth = 3;
    float s = 4.0f;
    EXPECT_EQ(0, scene.project(0, 0, 10, x, y, depth, s));
    EXPECT_EQ(1, x);
    EXPECT_EQ(3, depth);
    scene.addLight(u"sun", new Light(Vector3(0, 0, 1), 0xFFFFFF, 0xFFFFFF, 320, 120));
    scene.setFog(new Fog(100, 200, 0x808080));
    EXPECT_EQ(1, scene.lights.size());
}

TEST(Scene3D, Projection)
{
    Scene3D scene(0, 0, 240, 160, Scene::kNoColor, nullptr);
    scene.setViewport(1.0f);
    ASSERT_TRUE(scene.isViewReady());
    scene.camera->setPosition(0, 0, 0);
    scene.camera->setTarget(0, 0, 1);
    struct Case
    {
        float x, y, z;
        int wantReturn, wantX, wantY, wantDepth;
    };
    const Case cases[] = {
        {0, 0, 10, 10, 120, 80, 10},
        {0, 0, 0.5f, 0, -1, -1, -10000},    // nearer than the front clip: only the depth
        {1e6f, 0, 2, 2, 4095, 80, 2},       // far to one side: clamped
        {-1e6f, -1e6f, 2, 2, -4096, 4095, 2},
    };
    for (const Case& c : cases)
    {
        int x = -1, y = -1, depth = 0;
        float scale = 0.0f;
        EXPECT_EQ(c.wantReturn, scene.project(c.x, c.y, c.z, x, y, depth, scale)) << c.x;
        EXPECT_EQ(c.wantDepth, depth) << c.x;
        if (c.wantReturn != 0)
        {
            EXPECT_EQ(c.wantY, y) << c.x;
            EXPECT_EQ(std::abs(c.wantX) == 4095 || std::abs(c.wantX) == 4096 ? c.wantX : 120, x) << c.x;
        }
        else
            EXPECT_EQ(-1, x);
    }
}
