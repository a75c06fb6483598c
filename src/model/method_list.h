#pragma once
// The methods' entries, each defined beside its classifier.
#include "model/methods.h"

namespace zt {

extern const MethodEntry kMinimumDistanceMethod;
extern const MethodEntry kParallelepipedMethod;
extern const MethodEntry kGeneralizedDistanceMethod;
extern const MethodEntry kMaxLikelihoodMethod;
extern const MethodEntry kClusterParallelepipedMethod;
extern const MethodEntry kClusterMinimumDistanceMethod;
extern const MethodEntry kClusterGeneralizedDistanceMethod;
extern const MethodEntry kIsodataMethod;

}  // namespace zt
