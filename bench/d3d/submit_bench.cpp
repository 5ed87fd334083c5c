// One frame = 1000 subset draws, each with its own world transform, material and texture, as the
// engine draws the church. "Device" goes through the D3D stand-in; "RawGl" makes the equivalent GL
// calls itself (uniform uploads, texture bind, indexed draw) with the very shader the device
// generates for that state, on its own headless context. The ratio of the two is the layer's cost.
//
// Each iteration times the submission only; the GPU (llvmpipe) finishes outside the timed part.
// Run: build/bench/d3d/bench_d3d --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// On a loaded machine llvmpipe's rasteriser threads may busy-wait inside the timed part at random;
// LP_NUM_THREADS=0 renders on the calling thread instead (both engines pay it alike).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d/d3d.h"
#include "platform/d3d/gl_api.h"
#include "platform/d3d/gl_context.h"
#include "platform/d3d/shader_key.h"

using namespace vm::d3d;

namespace {

constexpr int kDraws = 1000;
constexpr int kTextures = 8;

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};

// A small box: 24 vertices, 12 triangles, like a modest mesh subset.
void Box(std::vector<Vertex>* v, std::vector<std::uint16_t>* idx) {
    const float n[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        const float* N = n[f];
        // Two axes spanning the face.
        const float a[3] = {std::fabs(N[0]) > 0 ? 0.0f : 1.0f, 0, std::fabs(N[0]) > 0 ? 1.0f : 0.0f};
        const float b[3] = {N[1] != 0 ? 0.0f : 0.0f, N[1] != 0 ? 0.0f : 1.0f, N[1] != 0 ? 1.0f : 0.0f};
        const std::uint16_t base = static_cast<std::uint16_t>(v->size());
        for (int k = 0; k < 4; ++k) {
            const float s = (k & 1) ? 1.0f : -1.0f, t = (k & 2) ? 1.0f : -1.0f;
            v->push_back({N[0] + s * a[0] + t * b[0], N[1] + s * a[1] + t * b[1], N[2] + s * a[2] + t * b[2], N[0], N[1],
                          N[2], (s + 1) / 2, (t + 1) / 2});
        }
        const std::uint16_t q[6] = {0, 1, 2, 2, 1, 3};
        for (auto i : q) idx->push_back(static_cast<std::uint16_t>(base + i));
    }
}

Matrix World(int i) {
    Matrix m;
    const float s = 0.02f;
    m.m[0][0] = m.m[1][1] = m.m[2][2] = s;
    m.m[3][0] = static_cast<float>(i % 40) * 0.05f - 1.0f;
    m.m[3][1] = static_cast<float>(i / 40) * 0.08f - 1.0f;
    m.m[3][2] = 5.0f + static_cast<float>(i % 7);
    return m;
}

Matrix Ortho() {
    Matrix m;
    m.m[0][0] = 1, m.m[1][1] = 1, m.m[2][2] = 0.01f;
    return m;
}

Material MaterialOf(int i) {
    Material m;
    m.Diffuse = {static_cast<float>(i % 5) / 5, static_cast<float>(i % 3) / 3, 1, 1};
    m.Ambient = {0.2f, 0.2f, 0.2f, 1};
    return m;
}

Light PointLight(float x) {
    Light l;
    l.Type = LightType::Point;
    l.Diffuse = {0.9f, 0.9f, 0.8f, 1};
    l.Position = {x, 0.5f, 2};
    l.Range = 100;
    l.Attenuation1 = 0.2f;
    return l;
}

void BM_Device(benchmark::State& state) {
    ObjectOptions o;
    o.headless = true;
    auto d3d = Direct3D::Create(kSdkVersion, o);
    if (!d3d) {
        state.SkipWithError("no GL");
        return;
    }
    PresentParameters pp;
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    pp.Windowed = true;
    pp.EnableAutoDepthStencil = true;
    pp.AutoDepthStencilFormat = Format::D24S8;
    std::unique_ptr<Device> dev;
    d3d->CreateDevice(0, DevType::Hal, PresentTarget::Headless(64, 64), create::kHardwareVertexProcessing, &pp, &dev);
    std::vector<Vertex> verts;
    std::vector<std::uint16_t> idx;
    Box(&verts, &idx);
    std::unique_ptr<VertexBuffer> vb;
    std::unique_ptr<IndexBuffer> ib;
    const std::uint32_t fmt = fvf::kXyz | fvf::kNormal | fvf::kTex1;
    dev->CreateVertexBuffer(static_cast<std::uint32_t>(verts.size() * sizeof(Vertex)), usage::kWriteOnly, fmt,
                            Pool::Managed, &vb);
    dev->CreateIndexBuffer(static_cast<std::uint32_t>(idx.size() * 2), usage::kWriteOnly, Format::Index16, Pool::Managed,
                           &ib);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, verts.data(), verts.size() * sizeof(Vertex));
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, idx.data(), idx.size() * 2);
    ib->Unlock();
    std::unique_ptr<Texture> tex[kTextures];
    for (int t = 0; t < kTextures; ++t) {
        dev->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, &tex[t]);
        std::vector<std::uint32_t> px(16, 0xFF000000u | static_cast<std::uint32_t>(t * 0x202020));
        tex[t]->UpdateLevel(0, px.data(), 16);
    }
    dev->SetTransform(TransformState::Projection, Ortho());
    dev->SetLight(0, PointLight(-1));
    dev->SetLight(1, PointLight(1));
    dev->LightEnable(0, true);
    dev->LightEnable(1, true);
    dev->SetTextureStageState(0, TextureStageState::MinFilter, TextureFilter::Linear);
    dev->SetTextureStageState(0, TextureStageState::MagFilter, TextureFilter::Linear);
    dev->SetVertexShader(fmt);
    dev->SetStreamSource(0, vb.get(), sizeof(Vertex));
    dev->SetIndices(ib.get(), 0);
    Matrix worlds[kDraws];
    Material mats[kDraws];
    for (int i = 0; i < kDraws; ++i) worlds[i] = World(i), mats[i] = MaterialOf(i);
    Image img;
    for (auto _ : state) {
        dev->Clear(0, nullptr, clear::kTarget | clear::kZBuffer, 0, 1.0f, 0);
        dev->BeginScene();
        for (int i = 0; i < kDraws; ++i) {
            dev->SetTransform(TransformState::World, worlds[i]);
            dev->SetMaterial(mats[i]);
            dev->SetTexture(0, tex[i % kTextures].get());
            dev->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 24, 0, 12);
        }
        dev->EndScene();
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
    dev->ReadRenderTarget(&img);  // keeps the work observable
    benchmark::DoNotOptimize(img.pixels.data());
    state.SetItemsProcessed(state.iterations() * kDraws);
    state.counters["us_per_draw"] = benchmark::Counter(static_cast<double>(state.iterations() * kDraws),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                       benchmark::Counter::kIs1000);
}

// The shader the device generates for the state above: two point lights, stage 0 texture × diffuse.
detail::ShaderKey KeyOfTheScene() {
    detail::ShaderKey k{};
    k.lighting = 1;
    k.hasNormal = 1;
    k.localViewer = 1;
    k.stage[0] = {static_cast<std::uint8_t>(TextureOp::Modulate), texarg::kTexture, texarg::kCurrent,
                  static_cast<std::uint8_t>(TextureOp::SelectArg1), texarg::kTexture, texarg::kCurrent, 0, 2, 0, 0, 1};
    return k;
}

GLuint CompileProgram(const std::string& vs, const std::string& fs) {
    auto stage = [](GLenum type, const std::string& src) {
        GLuint s = glCreateShader(type);
        const char* t = src.c_str();
        glShaderSource(s, 1, &t, nullptr);
        glCompileShader(s);
        return s;
    };
    GLuint p = glCreateProgram();
    glAttachShader(p, stage(GL_VERTEX_SHADER, vs));
    glAttachShader(p, stage(GL_FRAGMENT_SHADER, fs));
    glLinkProgram(p);
    return p;
}

void Mul(const Matrix& a, const Matrix& b, float out[16]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i * 4 + j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
}

void BM_RawGl(benchmark::State& state) {
    std::string error;
    auto ctx = detail::GlContext::Create(PresentTarget::Headless(64, 64), &error);
    if (!ctx) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::string vs, fs;
    detail::GenerateShaders(KeyOfTheScene(), &vs, &fs);
    const GLuint prog = CompileProgram(vs, fs);
    glUseProgram(prog);
    const GLint uWV = glGetUniformLocation(prog, "uWV"), uNrm = glGetUniformLocation(prog, "uNrm"),
                uProj = glGetUniformLocation(prog, "uProj"), uMat = glGetUniformLocation(prog, "uMat"),
                uLight = glGetUniformLocation(prog, "uLight"), uLightCount = glGetUniformLocation(prog, "uLightCount");
    glUniform1i(glGetUniformLocation(prog, "uTex0"), 0);
    GLuint fbo, color, depth;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &color);
    glBindRenderbuffer(GL_RENDERBUFFER, color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 64, 64);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, 64, 64);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, 64, 64);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    std::vector<Vertex> verts;
    std::vector<std::uint16_t> idx;
    Box(&verts, &idx);
    GLuint vao, vbo, ibo;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(verts.size() * sizeof(Vertex)), verts.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &ibo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(idx.size() * 2), idx.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(5);
    glVertexAttribPointer(5, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(24));
    GLuint tex[kTextures];
    glGenTextures(kTextures, tex);
    for (int t = 0; t < kTextures; ++t) {
        glBindTexture(GL_TEXTURE_2D, tex[t]);
        std::vector<std::uint32_t> px(16, 0xFF000000u | static_cast<std::uint32_t>(t * 0x202020));
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    const Matrix proj = Ortho();
    glUniformMatrix4fv(uProj, 1, GL_FALSE, &proj.m[0][0]);
    float lights[56][4] = {};
    const Light L[2] = {PointLight(-1), PointLight(1)};
    for (int i = 0; i < 2; ++i) {
        float* d = &lights[i * 7][0];
        d[0] = L[i].Position.x, d[1] = L[i].Position.y, d[2] = L[i].Position.z;
        d[8] = L[i].Diffuse.r, d[9] = L[i].Diffuse.g, d[10] = L[i].Diffuse.b;
        d[21] = L[i].Attenuation1, d[23] = L[i].Range;
        d[27] = 1;  // point
    }
    glUniform4fv(uLight, 14, &lights[0][0]);
    glUniform1i(uLightCount, 2);
    Matrix worlds[kDraws];
    Material mats[kDraws];
    for (int i = 0; i < kDraws; ++i) worlds[i] = World(i), mats[i] = MaterialOf(i);
    const Matrix view;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int i = 0; i < kDraws; ++i) {
            // What a hand-written renderer does per object: world-view, normal matrix, material,
            // texture, draw.
            float wv[16];
            Mul(worlds[i], view, wv);
            float nrm[9] = {1 / wv[0], 0, 0, 0, 1 / wv[5], 0, 0, 0, 1 / wv[10]};
            glUniformMatrix4fv(uWV, 1, GL_FALSE, wv);
            glUniformMatrix3fv(uNrm, 1, GL_TRUE, nrm);
            const Material& m = mats[i];
            const float mat[6][4] = {{m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a},
                                     {m.Ambient.r, m.Ambient.g, m.Ambient.b, m.Ambient.a},
                                     {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
            glUniform4fv(uMat, 6, &mat[0][0]);
            glBindTexture(GL_TEXTURE_2D, tex[i % kTextures]);
            glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_SHORT, nullptr);
        }
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
    state.counters["us_per_draw"] = benchmark::Counter(static_cast<double>(state.iterations() * kDraws),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                       benchmark::Counter::kIs1000);
}

// First use of a state combination compiles its program; lights are uniforms, so only the first of
// these draws compiles (the rest show the cost of changing the set of enabled lights).
void BM_NewStateFirstDraw(benchmark::State& state) {
    ObjectOptions o;
    o.headless = true;
    auto d3d = Direct3D::Create(kSdkVersion, o);
    PresentParameters pp;
    pp.BackBufferWidth = pp.BackBufferHeight = 16;
    pp.Windowed = true;
    std::unique_ptr<Device> dev;
    if (!d3d || d3d->CreateDevice(0, DevType::Hal, PresentTarget::Headless(16, 16), create::kHardwareVertexProcessing,
                                  &pp, &dev) != kOk) {
        state.SkipWithError("no GL");
        return;
    }
    const Vertex tri[3] = {{0, 0, 1, 0, 0, -1, 0, 0}, {0, 1, 1, 0, 0, -1, 0, 0}, {1, 0, 1, 0, 0, -1, 0, 0}};
    dev->SetVertexShader(fvf::kXyz | fvf::kNormal | fvf::kTex1);
    for (int i = 0; i < 8; ++i) dev->SetLight(static_cast<std::uint32_t>(i), PointLight(0));
    std::uint32_t mask = 1;
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < 8; ++i) dev->LightEnable(i, (mask >> i) & 1u);
        dev->DrawPrimitiveUP(PrimitiveType::TriangleList, 1, tri, sizeof(Vertex));
        ++mask;
    }
}

BENCHMARK(BM_RawGl)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Device)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NewStateFirstDraw)->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
