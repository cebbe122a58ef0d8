// The extension library's services, all at once.
#pragma once

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/d3dx9font.h"
#include "platform/d3dx/d3dx9line.h"
#include "platform/d3dx/d3dx9math.h"
#include "platform/d3dx/d3dx9mesh.h"
#include "platform/d3dx/d3dx9tex.h"
