#pragma once
// OpenGL entry points. libGL (glvnd) exports every core function and dispatches to whichever context
// is current, GLX or EGL alike, so the functions are called directly.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
