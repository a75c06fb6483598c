#pragma once
// Supervised neural-network classifiers. Each trains on the pixels of the
// source's class AOIs (class k is the k-th class AOI), scaled into 0..1 and
// purified to mean +- 1 standard deviation of their class in every band, and
// then presents every pixel of the processing window (rows, columns, first
// row, first column), scaled the same way, to the trained network. Byte
// images are scaled by 1/255; other types map 0 (or their lowest training
// value, when negative) up to their highest training value over all bands
// onto 0..1, and values beyond in proportion (see the README, "Band
// scaling"). Band 1 of result receives the class numbers with a colour
// table and class records; a pixel whose first listed band is within 1e-6
// of its no-data value, or that holds NaN, gets 255 and trains no class.
//
// Initial weights come from the C runtime's rand(), which the library never
// seeds: a host that wants another draw calls srand() first.
//
// Argument errors, first failure decides: null source or result
// (RC_NULL_ARGUMENT), more than 1024 bands (RC_TOO_MANY_BANDS), a window
// starting before the image (RC_BAD_WINDOW), the method's own checks, a
// window ending after the image (RC_BAD_WINDOW). Then: no class AOI
// (RC_NO_CLASS_AOI), more than 255 class AOIs (RC_BAD_WINDOW), no purified
// training sample at all or a class without one (RC_TOO_FEW_SAMPLES), a
// training that drives a weight past every number (a learning rate or
// momentum too large: RC_BAD_PARAMETER, before any pixel is written).
#include "ztclass/export.h"

// Ranges of the networks' parameters: a model's training (ztModelTrain)
// refuses values beyond them, and a host that calls the exports directly
// checks the same. Epoch and pass counts of every network:
constexpr long ZT_MAX_EPOCHS = 1000000000;
// The vigilance of ART (a cosine) and of Fuzzy ART (a match ratio, at most
// 1; above it no sample resonates and each opens a category).
constexpr double ZT_ART_VIGILANCE_MIN = -1.0;
constexpr double ZT_ART_VIGILANCE_MAX = 1.0;
constexpr double ZT_FUZZY_ART_VIGILANCE_MIN = 0.0;
constexpr double ZT_FUZZY_ART_VIGILANCE_MAX = 1e30;
// ART's noise threshold: 1 would remove every component.
constexpr double ZT_ART_NOISE_MAX = 0.999999;

// Back-propagation network: hiddenLayerCount (at least 1) hidden layers of
// hiddenLayerSizes[i] (1..500, else RC_BAD_WINDOW) sigmoid neurons, trained
// online with momentum until the mean sample error of an epoch is at most
// errorThreshold or maxIterations epochs have run. Pixels whose strongest
// output is below 0.1 are rejected (class 0).
ZTCLASS_API long ztBPNNClass(void* source, long* bands, long bandCount, long* hiddenLayerSizes,
                             long hiddenLayerCount, double learningRate, double momentum, double errorThreshold,
                             long maxIterations, void* result, long rows, long columns, long firstRow,
                             long firstColumn);

// Second-order back-propagation network: every neuron also weighs the
// products of pairs of its inputs (and their squares with includeSquares).
// hiddenLayerCount 0 gives a network without hidden layer; hidden layer
// sizes 1..500. useMomentum raises the weight learning rate by (1 + momentum).
// Pixels whose strongest output is below 0.2 are rejected (class 0).
ZTCLASS_API long ztHRBPNNClass(void* source, long* bands, long bandCount, long* hiddenLayerSizes,
                               long hiddenLayerCount, bool includeSquares, double learningRate, bool useMomentum,
                               double momentum, double errorThreshold, long maxIterations, void* result,
                               long rows, long columns, long firstRow, long firstColumn);

// Radial-basis-function network: one Gaussian unit per class, centred on the
// class mean and refined by competitive learning for centreIterations epochs
// (ending early after 50 epochs whose total squared centre change is below
// centreThreshold; the epochs left go to the output phase), units with 5 or
// fewer nearest samples removed (RC_TOO_FEW_SAMPLES when none is left), then
// linear outputs trained by the delta rule for outputIterations epochs or
// until the mean sample error is at most errorThreshold. A unit of spread 0
// answers 1 at its centre and 0 elsewhere.
ZTCLASS_API long ztRBFNNClass(void* source, long* bands, long bandCount, double centreRate,
                              double centreThreshold, long centreIterations, double outputRate,
                              double errorThreshold, long outputIterations, void* result, long rows, long columns,
                              long firstRow, long firstColumn);

// Learning vector quantisation (LVQ2): one codebook vector per class at the
// class mean, tuned for tuneIterations epochs, labelled, then moved by the
// LVQ2 rule for lvqIterations epochs. A pixel gets its nearest vector's class.
ZTCLASS_API long ztLVQ2NNClass(void* source, long* bands, long bandCount, double tuneRate, long tuneIterations,
                               double lvqRate, long lvqIterations, void* result, long rows, long columns,
                               long firstRow, long firstColumn);

// Unsupervised networks. They learn from every interval-th pixel of every
// interval-th row of the processing window (interval 1 to the smaller image
// dimension), scaled as the supervised networks' samples are (the sampled
// pixels taking the place of the training pixels), leaving out the pixels
// that get 255: those whose first listed band is within 1e-6 of its no-data
// value, or that hold NaN; a sample without any pixel gives
// RC_TOO_FEW_SAMPLES. clusterCount is 1 to 254, else RC_BAD_WINDOW. They
// draw no random numbers: the result depends on the image and the
// parameters alone.

// Kohonen network: clusterCount competitive neurons started on well-spread
// sample pixels (max-min distance) and trained winner-take-all for at most
// maxIterations epochs, the rate falling linearly from learningRate; from
// the eleventh epoch on only near samples move their winner. Training ends
// early after 100 epochs whose total squared weight change is below
// changeThreshold. A pixel gets its nearest neuron. One cluster gives
// RC_TOO_FEW_SAMPLES.
ZTCLASS_API long ztKohonenNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount,
                                  long interval, double learningRate, double changeThreshold, long maxIterations,
                                  void* result, long rows, long columns, long firstRow, long firstColumn);

// ART network: samples made unit length with components at or below
// noiseThreshold removed; a sample joins the category of closest direction
// whose cosine similarity reaches vigilance (moving it by learningRate),
// else opens a new one, up to clusterCount. maxIterations passes over the
// sample. The result holds the categories formed, possibly fewer than asked.
ZTCLASS_API long ztARTNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                              double learningRate, double noiseThreshold, double vigilance, long maxIterations,
                              void* result, long rows, long columns, long firstRow, long firstColumn);

// Fuzzy ART network: complement-coded samples, categories chosen by
// |x ^ w| / (choiceParameter + |w|) and accepted when |x ^ w| / |x| reaches
// vigilance; learning shrinks a category towards x ^ w by learningRate.
// The result holds the categories formed, possibly fewer than asked.
ZTCLASS_API long ztFuzzyARTNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount,
                                   long interval, double learningRate, double choiceParameter, double vigilance,
                                   long maxIterations, void* result, long rows, long columns, long firstRow,
                                   long firstColumn);
