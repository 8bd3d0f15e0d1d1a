#pragma once
// The whole public interface of the engine.
#include "zarvo/types.hpp"
#include "zarvo/event.hpp"
#include "zarvo/engine.hpp"
#include "zarvo/transitions/transitions.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/graphics/blender.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/input.hpp"
#include "zarvo/runtime/random.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/runtime/headless/headless.hpp"
