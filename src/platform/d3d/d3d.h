#pragma once
// The whole device layer in one include.

#include "platform/d3d/device.h"
#include "platform/d3d/direct3d.h"
#include "platform/d3d/formats.h"
#include "platform/d3d/present_target.h"
#include "platform/d3d/records.h"
#include "platform/d3d/resources.h"
#include "platform/d3d/results.h"
#include "platform/d3d/states.h"
#include "platform/d3d/types.h"
#include "platform/d3d/vertex_format.h"
