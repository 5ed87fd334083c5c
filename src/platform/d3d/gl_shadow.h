#pragma once
// A shadow of the GL state the device touches. Every setter compares with the shadow and calls GL
// only on a change; Invalidate forgets everything (after a context switch or outside GL calls).

#include <cstdint>

#include "platform/d3d/gl_api.h"

namespace vm::d3d::detail {

struct GlShadow {
    static constexpr GLuint kUnknown = 0xFFFFFFFFu;

    GLuint program = kUnknown, vao = kUnknown, arrayBuffer = kUnknown, drawFbo = kUnknown, readFbo = kUnknown;
    GLuint activeUnit = kUnknown;
    GLuint texture[2] = {kUnknown, kUnknown};
    GLuint sampler[2] = {kUnknown, kUnknown};
    GLint viewport[4] = {-1, -1, -1, -1};
    GLint scissor[4] = {-1, -1, -1, -1};
    double depthRange[2] = {-1, -1};
    int scissorTest = -1, depthTest = -1, depthMask = -1, blend = -1, cull = -1;
    GLenum depthFunc = 0, blendSrc = 0, blendDst = 0, blendEq = 0, frontFace = 0, polygonMode = 0;

    void Invalidate() { *this = GlShadow{}; }

    void UseProgram(GLuint p) {
        if (program != p) glUseProgram(program = p);
    }
    void BindVertexArray(GLuint v) {
        if (vao != v) glBindVertexArray(vao = v);
    }
    void BindArrayBuffer(GLuint b) {
        if (arrayBuffer != b) glBindBuffer(GL_ARRAY_BUFFER, arrayBuffer = b);
    }
    void BindDrawFramebuffer(GLuint f) {
        if (drawFbo != f) glBindFramebuffer(GL_DRAW_FRAMEBUFFER, drawFbo = f);
    }
    void BindReadFramebuffer(GLuint f) {
        if (readFbo != f) glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo = f);
    }
    // Leaves `unit` active, so texture uploads that follow go to `t`.
    void BindTexture(GLuint unit, GLuint t) {
        ActiveUnit(unit);
        if (texture[unit] != t) glBindTexture(GL_TEXTURE_2D, texture[unit] = t);
    }
    void BindSampler(GLuint unit, GLuint s) {
        if (sampler[unit] != s) glBindSampler(unit, sampler[unit] = s);
    }
    void ActiveUnit(GLuint unit) {
        if (activeUnit != unit) glActiveTexture(GL_TEXTURE0 + (activeUnit = unit));
    }
    void Viewport(GLint x, GLint y, GLint w, GLint h) {
        if (viewport[0] == x && viewport[1] == y && viewport[2] == w && viewport[3] == h) return;
        viewport[0] = x, viewport[1] = y, viewport[2] = w, viewport[3] = h;
        glViewport(x, y, w, h);
    }
    void Scissor(GLint x, GLint y, GLint w, GLint h) {
        if (scissor[0] == x && scissor[1] == y && scissor[2] == w && scissor[3] == h) return;
        scissor[0] = x, scissor[1] = y, scissor[2] = w, scissor[3] = h;
        glScissor(x, y, w, h);
    }
    void DepthRange(double n, double f) {
        if (depthRange[0] == n && depthRange[1] == f) return;
        depthRange[0] = n, depthRange[1] = f;
        glDepthRange(n, f);
    }
    static void Toggle(int* shadow, bool on, GLenum cap) {
        if (*shadow == static_cast<int>(on)) return;
        *shadow = on;
        on ? glEnable(cap) : glDisable(cap);
    }
    void ScissorTest(bool on) { Toggle(&scissorTest, on, GL_SCISSOR_TEST); }
    void DepthTest(bool on) { Toggle(&depthTest, on, GL_DEPTH_TEST); }
    void Blend(bool on) { Toggle(&blend, on, GL_BLEND); }
    void Cull(bool on) { Toggle(&cull, on, GL_CULL_FACE); }
    void DepthMask(bool on) {
        if (depthMask != static_cast<int>(on)) glDepthMask((depthMask = on) ? GL_TRUE : GL_FALSE);
    }
    void DepthFunc(GLenum f) {
        if (depthFunc != f) glDepthFunc(depthFunc = f);
    }
    void BlendFunc(GLenum s, GLenum d) {
        if (blendSrc == s && blendDst == d) return;
        glBlendFunc(blendSrc = s, blendDst = d);
    }
    void BlendEquation(GLenum e) {
        if (blendEq != e) glBlendEquation(blendEq = e);
    }
    void FrontFace(GLenum f) {
        if (frontFace != f) glFrontFace(frontFace = f);
    }
    void PolygonMode(GLenum m) {
        if (polygonMode != m) glPolygonMode(GL_FRONT_AND_BACK, polygonMode = m);
    }
};

}  // namespace vm::d3d::detail
