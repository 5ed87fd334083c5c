// Generates the GLSL of one fixed-function state combination. The vertex shader does transform,
// vertex blending, lighting and texture-coordinate generation; the fragment shader runs the texture
// stages, adds specular and does the alpha test.
//
// Uniform layout (shared with the device, which uploads them):
//   uWV[4]     world(i) × view, row-vector matrices uploaded as they are, so GLSL's M * v is v × M
//   uNrm[4]    inverse transpose of the 3 × 3 part of uWV[i], for normals
//   uProj      projection
//   uScreen    pre-transformed vertices: viewport x, y, 2 / width, 2 / height
//   uDepth     viewport MinZ, 1 / (MaxZ − MinZ) (0 when they are equal)
//   uMat[6]    material diffuse, ambient, specular, emissive, (power, 0, 0, 0), render-state ambient
//   uLight[56] seven vec4 per enabled light, packed in index order, camera space: position,
//              direction (travel, normalised), diffuse, specular, ambient, (a0, a1, a2, range),
//              (cos θ/2, cos φ/2, falloff, type: 1 point, 2 spot, 3 directional)
//   uLightCount enabled lights
//   uTexM[2]   texture matrices of stages 0 and 1
//   uTFactor   texture factor; uAlphaRef 0..255; uTex0, uTex1 samplers on units 0 and 1

#include <string>

#include "platform/d3d/shader_key.h"
#include "platform/d3d/states.h"

namespace vm::d3d::detail {
namespace {

// Appends fmt with each "%d" replaced by the next argument.
template <class... Ints>
void Add(std::string* s, const char* fmt, Ints... ints) {
    const int args[] = {0, static_cast<int>(ints)...};
    std::size_t next = 1;
    for (const char* p = fmt; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd' && next < sizeof args / sizeof args[0]) {
            *s += std::to_string(args[next++]);
            ++p;
        } else {
            *s += *p;
        }
    }
}

const char* ArgBase(std::uint8_t arg, int stage, int texStage) {
    switch (arg & texarg::kSelectMask) {
        case texarg::kDiffuse: return "vDiffuse";
        case texarg::kCurrent: return stage == 0 ? "vDiffuse" : "cur";
        case texarg::kTexture: return texStage == 0 ? "tex0" : "tex1";
        case texarg::kTFactor: return "uTFactor";
        case texarg::kSpecular: return "vSpecular";
        default: return "cur";
    }
}

std::string Arg(std::uint8_t arg, int stage) {
    std::string v = ArgBase(arg, stage, stage);
    if (arg & texarg::kAlphaReplicate) v = "vec4(" + v + ".a)";
    if (arg & texarg::kComplement) v = "(vec4(1.0) - " + v + ")";
    return v;
}

// Result of a texture operation on a1, a2 (vec4 expressions); the caller picks .rgb or .a.
std::string Op(std::uint8_t op, const std::string& a1, const std::string& a2, int stage) {
    const std::string tex = stage == 0 ? "tex0" : "tex1";
    switch (static_cast<TextureOp>(op)) {
        case TextureOp::SelectArg1: return a1;
        case TextureOp::SelectArg2: return a2;
        case TextureOp::Modulate: return "(" + a1 + " * " + a2 + ")";
        case TextureOp::Modulate2x: return "(" + a1 + " * " + a2 + " * 2.0)";
        case TextureOp::Modulate4x: return "(" + a1 + " * " + a2 + " * 4.0)";
        case TextureOp::Add: return "(" + a1 + " + " + a2 + ")";
        case TextureOp::AddSigned: return "(" + a1 + " + " + a2 + " - vec4(0.5))";
        case TextureOp::Subtract: return "(" + a1 + " - " + a2 + ")";
        case TextureOp::BlendDiffuseAlpha: return "mix(" + a2 + ", " + a1 + ", vDiffuse.a)";
        case TextureOp::BlendTextureAlpha: return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
        case TextureOp::BlendCurrentAlpha: return "mix(" + a2 + ", " + a1 + ", cur.a)";
        default: return "cur";
    }
}

const char* kMatSrc[3] = {"", "aDiffuse", "aSpecular"};

std::string MaterialTerm(std::uint8_t src, int matIndex) {
    if (src == 1 || src == 2) return kMatSrc[src];
    return "uMat[" + std::to_string(matIndex) + "]";
}

void VertexTexCoord(std::string* s, const ShaderKey& k, int st) {
    const StageKey& sk = k.stage[st];
    Add(s, "    {\n        vec4 tc;\n");
    if (sk.texSource < 8) {
        const int set = sk.texSource;
        switch (sk.vertexSetSize) {
            case 0: Add(s, "        tc = vec4(0.0, 0.0, 1.0, 0.0);\n"); break;
            case 1: Add(s, "        tc = vec4(aTex%d.x, 1.0, 0.0, 0.0);\n", set); break;
            case 2: Add(s, "        tc = vec4(aTex%d.xy, 1.0, 0.0);\n", set); break;
            case 3: Add(s, "        tc = vec4(aTex%d.xyz, 1.0);\n", set); break;
            default: Add(s, "        tc = aTex%d;\n", set); break;
        }
    } else if (sk.texSource == kTexSrcCameraPosition) {
        Add(s, "        tc = vec4(pc.xyz, 1.0);\n");
    } else if (sk.texSource == kTexSrcCameraNormal) {
        Add(s, "        tc = vec4(n, 1.0);\n");
    } else {
        Add(s, "        tc = vec4(reflect(normalize(pc.xyz), n), 1.0);\n");
    }
    if (sk.transformCount > 0) {
        Add(s, "        tc = uTexM[%d] * tc;\n", st);
        if (sk.projected) {
            static const char* kComp[4] = {"x", "y", "z", "w"};
            *s += std::string("        vTex") + std::to_string(st) + " = vec4(tc.xy, 0.0, tc." +
                  kComp[sk.transformCount - 1] + ");\n";
        } else {
            Add(s, "        vTex%d = vec4(tc.xy, 0.0, 1.0);\n", st);
        }
    } else {
        Add(s, "        vTex%d = vec4(tc.xy, 0.0, 1.0);\n", st);
    }
    Add(s, "    }\n");
}

void VertexShader(const ShaderKey& k, std::string* s) {
    *s = "#version 330 core\n";
    Add(s, "layout(location = 0) in vec4 aPos;\n");
    Add(s, "layout(location = 1) in vec4 aWeights;\n");
    Add(s, "layout(location = 2) in vec3 aNormal;\n");
    Add(s, "layout(location = 3) in vec4 aDiffuse;\n");
    Add(s, "layout(location = 4) in vec4 aSpecular;\n");
    for (int i = 0; i < 8; ++i) Add(s, "layout(location = %d) in vec4 aTex%d;\n", 5 + i, i);
    *s +=
        "uniform mat4 uWV[4];\nuniform mat3 uNrm[4];\nuniform mat4 uProj;\nuniform vec4 uScreen;\n"
        "uniform vec2 uDepth;\nuniform vec4 uMat[6];\nuniform vec4 uLight[56];\nuniform int uLightCount;\n"
        "uniform mat4 uTexM[2];\n"
        "out vec4 vDiffuse;\nout vec4 vSpecular;\nout vec4 vTex0;\nout vec4 vTex1;\n"
        "void main() {\n";
    if (k.pretransformed) {
        *s +=
            "    float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;\n"
            // Integer screen coordinates are pixel centres; GL's centres sit at +0.5.
            "    vec2 ndc = (aPos.xy + vec2(0.5) - uScreen.xy) * uScreen.zw - vec2(1.0);\n"
            "    float z = uDepth.y != 0.0 ? (aPos.z - uDepth.x) * uDepth.y : aPos.z;\n"
            "    gl_Position = vec4(ndc * w, (z * 2.0 - 1.0) * w, w);\n"
            "    vec4 pc = vec4(aPos.xyz, 1.0);\n"
            "    vec3 n = vec3(0.0);\n";
    } else {
        *s += "    vec4 p = vec4(aPos.xyz, 1.0);\n";
        const int bw = k.blendWeights;
        if (bw == 0) {
            *s += "    vec4 pc = uWV[0] * p;\n    vec3 n = uNrm[0] * aNormal;\n";
        } else {
            static const char* kComp[4] = {"x", "y", "z", "w"};
            *s += "    float wsum = 0.0;\n    vec4 pc = vec4(0.0);\n    vec3 n = vec3(0.0);\n";
            for (int i = 0; i < bw; ++i) {
                if (i < k.vertexWeights)
                    *s += std::string("    float w") + std::to_string(i) + " = aWeights." + kComp[i] + ";\n";
                else
                    *s += "    float w" + std::to_string(i) + " = 0.0;\n";
                Add(s, "    wsum += w%d;\n", i);
                Add(s, "    pc += w%d * (uWV[%d] * p);\n    n += w%d * (uNrm[%d] * aNormal);\n", i, i, i, i);
            }
            Add(s, "    pc += (1.0 - wsum) * (uWV[%d] * p);\n    n += (1.0 - wsum) * (uNrm[%d] * aNormal);\n",
                bw, bw);
        }
        // A zero normal (no normal in the vertex) must not become NaN.
        *s += "    n = dot(n, n) > 0.0 ? normalize(n) : vec3(0.0);\n";
        *s += "    vec4 c = uProj * pc;\n";
        // Clip z 0..w becomes GL's -w..w; y is flipped so that row 0 of every target is the top.
        *s += "    gl_Position = vec4(c.x, -c.y, 2.0 * c.z - c.w, c.w);\n";
    }

    if (k.lighting) {
        const std::string dm = MaterialTerm(k.diffuseSrc, 0), am = MaterialTerm(k.ambientSrc, 1),
                          sm = MaterialTerm(k.specularSrc, 2), em = MaterialTerm(k.emissiveSrc, 3);
        *s += "    vec3 ambSum = uMat[5].rgb;\n    vec3 difSum = vec3(0.0);\n    vec3 specSum = vec3(0.0);\n";
        if (k.specular)
            *s += k.localViewer ? "    vec3 V = normalize(-pc.xyz);\n" : "    vec3 V = vec3(0.0, 0.0, -1.0);\n";
        *s +=
            "    for (int i = 0; i < 8; ++i) {\n"
            "        if (i >= uLightCount) break;\n"
            "        int b = i * 7;\n"
            "        vec4 sp = uLight[b + 6];\n"
            "        vec3 L;\n"
            "        float att = 1.0;\n"
            "        if (sp.w == 3.0) {\n"
            "            L = -uLight[b + 1].xyz;\n"
            "        } else {\n"
            "            vec3 d = uLight[b].xyz - pc.xyz;\n"
            "            float dist = length(d);\n"
            // Beyond the range a point light gives nothing, its ambient part included.
            "            if (dist > uLight[b + 5].w) continue;\n"
            "            L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);\n"
            "            vec4 a = uLight[b + 5];\n"
            "            float den = a.x + a.y * dist + a.z * dist * dist;\n"
            "            att = den != 0.0 ? 1.0 / den : 1.0;\n"
            "            if (sp.w == 2.0) {\n"
            "                float rho = dot(-L, uLight[b + 1].xyz);\n"
            "                att *= rho > sp.x ? 1.0 : (rho <= sp.y ? 0.0 : "
            "pow(max((rho - sp.y) / max(sp.x - sp.y, 1e-6), 0.0), sp.z));\n"
            "            }\n"
            "        }\n"
            "        ambSum += uLight[b + 4].rgb * att;\n"
            "        float ndl = max(dot(n, L), 0.0);\n"
            "        difSum += uLight[b + 2].rgb * (ndl * att);\n";
        if (k.specular)
            *s +=
                "        if (ndl > 0.0) {\n"
                "            vec3 H = normalize(L + V);\n"
                "            specSum += uLight[b + 3].rgb * (pow(max(dot(n, H), 0.0), uMat[4].x) * att);\n"
                "        }\n";
        *s += "    }\n";
        *s += "    vDiffuse = vec4(clamp(" + em + ".rgb + " + am + ".rgb * ambSum + " + dm +
              ".rgb * difSum, 0.0, 1.0), " + dm + ".a);\n";
        if (k.specular)
            *s += "    vSpecular = vec4(clamp(" + sm + ".rgb * specSum, 0.0, 1.0), 0.0);\n";
        else
            *s += "    vSpecular = vec4(0.0);\n";
    } else {
        *s += k.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
        *s += k.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
    }

    *s += "    vTex0 = vec4(0.0, 0.0, 0.0, 1.0);\n    vTex1 = vec4(0.0, 0.0, 0.0, 1.0);\n";
    for (int st = 0; st < 2; ++st)
        if (k.stage[st].colorOp != 0 && k.stage[st].hasTexture) VertexTexCoord(s, k, st);
    *s += "}\n";
}

void FragmentShader(const ShaderKey& k, std::string* s) {
    *s =
        "#version 330 core\n"
        "in vec4 vDiffuse;\nin vec4 vSpecular;\nin vec4 vTex0;\nin vec4 vTex1;\n"
        "uniform sampler2D uTex0;\nuniform sampler2D uTex1;\nuniform vec4 uTFactor;\nuniform float uAlphaRef;\n"
        "out vec4 fragColor;\n"
        "void main() {\n"
        "    vec4 cur = vDiffuse;\n";
    for (int st = 0; st < 2; ++st) {
        const StageKey& sk = k.stage[st];
        if (sk.colorOp == 0) break;
        if (sk.hasTexture)
            Add(s, "    vec4 tex%d = texture(uTex%d, vTex%d.xy / vTex%d.w);\n", st, st, st, st);
        else
            Add(s, "    vec4 tex%d = vec4(1.0);\n", st);
        const std::string rgb = Op(sk.colorOp, Arg(sk.colorArg1, st), Arg(sk.colorArg2, st), st);
        std::string alpha = "cur.a";
        if (st == 0) alpha = "vDiffuse.a";
        if (sk.alphaOp != 0 && sk.alphaOp != static_cast<std::uint8_t>(TextureOp::Disable))
            alpha = Op(sk.alphaOp, Arg(sk.alphaArg1, st), Arg(sk.alphaArg2, st), st) + ".a";
        Add(s, "    {\n");
        *s += "        vec3 rgb = " + rgb + ".rgb;\n";
        *s += "        float a = " + alpha + ";\n";
        *s += "        cur = clamp(vec4(rgb, a), 0.0, 1.0);\n    }\n";
    }
    if (k.specular)
        *s += "    cur.rgb = clamp(cur.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc != 0) {
        *s += "    float a255 = floor(clamp(cur.a, 0.0, 1.0) * 255.0 + 0.5);\n";
        static const char* kTest[9] = {"true",           "false",          "a255 < uAlphaRef",
                                       "a255 == uAlphaRef", "a255 <= uAlphaRef", "a255 > uAlphaRef",
                                       "a255 != uAlphaRef", "a255 >= uAlphaRef", "true"};
        const int f = k.alphaFunc <= 8 ? k.alphaFunc : 8;
        *s += std::string("    if (!(") + kTest[f] + ")) discard;\n";
    }
    *s += "    fragColor = cur;\n}\n";
}

}  // namespace

void GenerateShaders(const ShaderKey& key, std::string* vertexSource, std::string* fragmentSource) {
    VertexShader(key, vertexSource);
    FragmentShader(key, fragmentSource);
}

}  // namespace vm::d3d::detail
