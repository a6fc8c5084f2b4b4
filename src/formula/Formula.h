#pragma once
// The formula engine: formula text, expression trees, parser and the Gamma function.

#include "formula/Function.h"
#include "formula/Gamma.h"
#include "formula/MathString.h"
#include "formula/Parser.h"
