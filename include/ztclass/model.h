#pragma once
// Classifier models: train once, apply many times.
//
// A model holds what one of the fifteen classification methods learns from
// an image (class means and statistics, cluster centres, network weights),
// the band scaling it was trained under, and the classes it decides (numbers,
// names, colours). It can be saved to a file or a memory buffer, loaded,
// described, and applied to any image of the same band count, in any window,
// on the host's worker threads. A loaded model is read-only: one model may
// be applied by several threads at once.
//
// Methods, by name:
//   supervised:   "mindist", "box", "gmindist", "maxlike"
//   unsupervised: "cluster-box", "cluster-mindist", "cluster-gmindist",
//                 "isodata"
//   networks:     "bp", "hrbp", "rbf", "lvq2" (supervised),
//                 "kohonen", "art", "fuzzy-art" (unsupervised)
//
// Parameters, under the names of the command-line options:
//   mindist:  "dev-factor" (a number or one per class AOI, default 3),
//             "max-dev" (the same, default no limit), "dev-test",
//             "max-test" (true/false, default true)
//   box:      "dev-factor" (default 2)
//   gmindist: "dev-factor" (default 3), "dev-test" (default true)
//   maxlike:  "threshold" (not used)
//   cluster-box, cluster-mindist, cluster-gmindist: "classes" (K, default
//             8), "interval" (default: about 100,000 samples of the
//             window), "display-bands" ([r, g, b] positions in the band
//             list: the classes take the colours of their means in the
//             pixels each apply classifies)
//   isodata:  "classes", "interval", "display-bands" as above,
//             "iterations" (10), "split-threshold" (5), "convergence"
//             (0.01), "merge-threshold" (1), "min-size" (0.5 % of the
//             window), "max-merges" (2), "stretch" ("linear"; or "none",
//             "adaptive", "equalize", "normalize", "root", "square",
//             "invert")
//   bp:       "hidden" (neurons per hidden layer, [5]), "rate" (0.0015),
//             "momentum" (0.5), "error" (0.001), "epochs" (4000), "seed"
//   hrbp:     "hidden" ([]: no hidden layer), "squares" (false), "rate"
//             (0.02), "use-momentum" (false), "momentum" (0.5), "error"
//             (0.01), "epochs" (3000), "seed"
//   rbf:      "centre-rate" (0.05), "centre-threshold" (1e-8),
//             "centre-epochs" (50), "output-rate" (0.0005), "error" (0.001),
//             "output-epochs" (3000), "seed"
//   lvq2:     "tune-rate" (0.05), "tune-epochs" (1), "lvq-rate" (0.002),
//             "lvq-epochs" (50)
//   kohonen:  "classes", "interval" as above, "rate" (0.1),
//             "change-threshold" (1e-6), "epochs" (200)
//   art:      "classes", "interval", "rate" (0.5), "vigilance" (0.99),
//             "passes" (5), "noise" (0)
//   fuzzy-art: "classes", "interval", "rate" (1), "vigilance" (0.75),
//             "passes" (5), "choice" (0.001)
//   "seed" (default 1) seeds the draws of the initial weights: a model's
//   training draws from a stream of its own, the numbers rand() gives after
//   srand(seed), so trainings on several threads at once give the model of
//   their seed, as the one-shot export does after srand(seed). The networks'
//   models keep the band scaling they learnt under ("scaling").
//
// Parameters are a JSON object of the method's parameters under the names
// the describe call gives (an absent parameter takes the method's default; an
// unknown name, a value of the wrong type or out of range is refused with
// RC_BAD_PARAMETER). Supervised methods train on the source's class AOIs;
// unsupervised ones on the window's pixels at the "interval" parameter.
// A mindist, box or gmindist model refuses a class AOI that gives it no
// training pixel in the window (RC_TOO_FEW_SAMPLES, naming the class), which
// the one-shot export leaves out of its result.
//
// Every call returns a result code (ztclass/result_codes.h); on failure,
// ztModelLastError() gives a message of the calling thread naming the reason.
//
// progress: the call's own progress sink, or null for the process-wide one
// (ztSetProgressSink). A call reports to and stops through its own sink only,
// so calls on several threads at once do not see each other's progress.
#include <stddef.h>

#include "ztclass/export.h"
#include "ztservices/progress.h"

typedef struct ZTModel ZTModel;

// Trains a model of method on the listed bands of source in the processing
// window (rows, columns, first row, first column) and stores it in *model,
// which the caller frees with ztModelFree.
ZTCLASS_API long ztModelTrain(const char* method, const char* parametersJson, void* source, long* bands,
                              long bandCount, long rows, long columns, long firstRow, long firstColumn,
                              const ZTProgressSink* progress, ZTModel** model);

// Classifies the window of the listed bands of source (the model's band
// count) into band 1 of result, with the model's classes as colour table and
// class records, exactly as the one-shot export of the method would with the
// same training. confidence, when not null, is a dataset whose band 1
// (Float32, the window's size) receives each pixel's confidence (see the
// README for each method's definition); no-data pixels get NaN. An image
// of another band count than the model's gives RC_BAD_PARAMETER.
ZTCLASS_API long ztModelApply(const ZTModel* model, void* source, long* bands, long bandCount, void* result,
                              void* confidence, long rows, long columns, long firstRow, long firstColumn,
                              const ZTProgressSink* progress);

// A file (written whole or not at all) or a buffer the caller frees with
// ztModelFreeBuffer.
ZTCLASS_API long ztModelSave(const ZTModel* model, const char* path);
ZTCLASS_API long ztModelSaveToBuffer(const ZTModel* model, void** buffer, size_t* size);
ZTCLASS_API void ztModelFreeBuffer(void* buffer);

// Reads and checks a model: another format version, a truncated or
// corrupted file give RC_BAD_MODEL_FILE and a message.
ZTCLASS_API long ztModelLoad(const char* path, ZTModel** model);
ZTCLASS_API long ztModelLoadFromBuffer(const void* buffer, size_t size, ZTModel** model);

// The model's JSON header: method, parameters, band count and the training
// image's band numbers and data type, scaling, classes (value, name, colour).
// The text belongs to the model and lives as long as it does.
ZTCLASS_API const char* ztModelDescribe(const ZTModel* model);

ZTCLASS_API void ztModelFree(ZTModel* model);

// The message of the calling thread's last failed model call ("" if none).
ZTCLASS_API const char* ztModelLastError(void);
