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
extern const MethodEntry kBPMethod;
extern const MethodEntry kHighOrderMethod;
extern const MethodEntry kRBFMethod;
extern const MethodEntry kLVQ2Method;
extern const MethodEntry kKohonenMethod;
extern const MethodEntry kARTMethod;
extern const MethodEntry kFuzzyARTMethod;

}  // namespace zt
