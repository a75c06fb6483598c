// Models: train + apply gives the one-shot export's result byte for byte,
// an exact save/load round trip, and bad files and parameters refused with a
// message.
#include <sys/stat.h>

#include <cstring>
#include <cstdlib>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <thread>
#include <utility>

#include "classifier_fixture.h"
#include "model/model.h"
#include "ztclass/model.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"
#include "ztclass/statistical.h"
#include "ztclass/unsupervised.h"

using namespace zttest;

namespace {

constexpr int kColumns = 40, kRows = 30, kBands = 3;

double Texture(int b, int c, int r) {
  const double noise = ((c * 7 + r * 13 + b * 5) % 11) + ((c * r + b) % 5);
  if (c < 13) return 40 + 10 * b + noise;
  if (c < 26) return 90 + 5 * b + noise * 1.5;
  return 160 - 8 * b + noise * 0.7;
}

struct Fixture {
  Scene scene{kColumns, kRows, kBands, Texture};
  std::vector<long> bands{1, 2, 3};
  Fixture() {
    scene.AddClass("water", {{2, 2, 10, 12}}, 0, 0, 200);
    scene.AddClass("forest", {{15, 5, 24, 20}}, 0, 150, 0);
    scene.AddClass("city", {{28, 10, 38, 28}}, 200, 0, 0);
  }
};

using OneShot = std::function<long(void* source, long* bands, void* result)>;

struct Method {
  const char* name;
  const char* parameters;
  OneShot oneShot;
  // The one-shot export writes the samples' classes first, pixel by pixel,
  // and the pass then over them: the same pixels, blocks in another order
  // in the file.
  bool sameFileLayout = true;
};

float kFactors[] = {2.5f, 3.0f, 2.0f};
float kMaxima[] = {30.0f, 40.0f, 50.0f};
long kDisplay[] = {3, 2, 1}, kBPHidden[] = {4}, kHRBPHidden[] = {3};

const Method kMethods[] = {
    {"mindist", R"({"dev-factor": [2.5, 3, 2], "max-dev": [30, 40, 50]})",
     [](void* s, long* b, void* r) { return ztMiniDistA(s, b, kBands, r, kRows, kColumns, 0, 0, kFactors, kMaxima); }},
    {"box", R"({"dev-factor": [2.5, 3, 2]})",
     [](void* s, long* b, void* r) { return ztJDBoxA(s, b, kBands, r, kRows, kColumns, 0, 0, kFactors); }},
    {"gmindist", R"({"dev-test": false})",
     [](void* s, long* b, void* r) { return ztGYMiniDistANew(s, b, kBands, r, kRows, kColumns, 0, 0, 0, kFactors); }},
    {"maxlike", "",
     [](void* s, long* b, void* r) { return MaxLiklihoodClass(s, b, kBands, 0.0, r, kRows, kColumns, 0, 0); }},
    {"cluster-box", R"({"classes": 4, "interval": 2})",
     [](void* s, long* b, void* r) { return ztFJDBox(s, b, kBands, 4, 2, r, kRows, kColumns, 0, 0); }},
    {"cluster-mindist", R"({"classes": 5, "interval": 3, "display-bands": [3, 2, 1]})",
     [](void* s, long* b, void* r) { return ztFJDMiniDistNew(s, b, kBands, 5, 3, r, kRows, kColumns, 0, 0, kDisplay); }},
    {"cluster-gmindist", R"({"classes": 3, "interval": 1})",
     [](void* s, long* b, void* r) { return ztFJDGYMiniDist(s, b, kBands, 3, 1, r, kRows, kColumns, 0, 0); },
     false},
    {"isodata", R"({"classes": 4, "interval": 1, "min-size": 6, "display-bands": [3, 2, 1], "stretch": "linear"})",
     [](void* s, long* b, void* r) {
       return ztISODATA(s, b, kBands, 4, 5.0f, 10, 0.01f, 1.0f, 6, 2, 1, r, kRows, kColumns, 0, 0, kDisplay, 6);
     }},
    // The one-shot networks draw from the process's rand(), as the host
    // seeds it; a model from its own stream of the "seed" parameter.
    {"bp", R"({"hidden": [4], "rate": 0.05, "epochs": 60, "seed": 7})",
     [](void* s, long* b, void* r) {
       std::srand(7);
       return ztBPNNClass(s, b, kBands, kBPHidden, 1, 0.05, 0.5, 0.001, 60, r, kRows, kColumns, 0, 0);
     }},
    {"hrbp", R"({"hidden": [3], "squares": true, "epochs": 40, "seed": 3})",
     [](void* s, long* b, void* r) {
       std::srand(3);
       return ztHRBPNNClass(s, b, kBands, kHRBPHidden, 1, true, 0.02, false, 0.5, 0.01, 40, r, kRows, kColumns, 0, 0);
     }},
    {"rbf", R"({"centre-epochs": 10, "output-rate": 0.01, "output-epochs": 100})",
     [](void* s, long* b, void* r) {
       std::srand(1);
       return ztRBFNNClass(s, b, kBands, 0.05, 1e-8, 10, 0.01, 0.001, 100, r, kRows, kColumns, 0, 0);
     }},
    {"lvq2", R"({"lvq-epochs": 20})",
     [](void* s, long* b, void* r) { return ztLVQ2NNClass(s, b, kBands, 0.05, 1, 0.002, 20, r, kRows, kColumns, 0, 0); }},
    {"kohonen", R"({"classes": 4, "interval": 2, "epochs": 30})",
     [](void* s, long* b, void* r) {
       return ztKohonenNNClass(s, b, kBands, 4, 2, 0.1, 1e-6, 30, r, kRows, kColumns, 0, 0);
     }},
    {"art", R"({"classes": 5, "interval": 2, "noise": 0.05, "vigilance": 0.999})",
     [](void* s, long* b, void* r) { return ztARTNNClass(s, b, kBands, 5, 2, 0.5, 0.05, 0.999, 5, r, kRows, kColumns, 0, 0); }},
    {"fuzzy-art", R"({"classes": 6, "interval": 2, "vigilance": 0.8})",
     [](void* s, long* b, void* r) {
       return ztFuzzyARTNNClass(s, b, kBands, 6, 2, 1.0, 0.001, 0.8, 5, r, kRows, kColumns, 0, 0);
     }},
};

Handle CreateResult(const std::string& path, long columns = kColumns, long rows = kRows,
                    ZTRSDataType type = ZTRS_Byte) {
  return Handle(ztRSCreate(ztRSGetDriverByName("GTiff"), path.c_str(), columns, rows, 1, type, nullptr));
}

// Trains on f's scene (all bands, the whole window); the call's result code.
long TrainOn(Fixture& f, const char* name, const char* parameters, ZTModel** model) {
  return ztModelTrain(name, parameters, f.scene.source, f.bands.data(), kBands, kRows, kColumns, 0, 0, nullptr, model);
}

ZTModel* Train(Fixture& f, const Method& m) {
  ZTModel* model = nullptr;
  EXPECT_EQ(TrainOn(f, m.name, m.parameters, &model), RC_OK) << m.name << ": " << ztModelLastError();
  return model;
}

// Applies model to the whole scene into a new GeoTIFF at path, with a
// confidence band (of the given size) when confidencePath is given.
long Apply(const ZTModel* model, Fixture& f, const std::string& path, const std::string& confidencePath = "",
           long confidenceColumns = kColumns, long confidenceRows = kRows) {
  Handle result = CreateResult(path);
  Handle confidence =
      confidencePath.empty() ? Handle() : CreateResult(confidencePath, confidenceColumns, confidenceRows, ZTRS_Float32);
  return ztModelApply(model, f.scene.source, f.bands.data(), kBands, result.get(), confidence.get(), kRows, kColumns,
                      0, 0, nullptr);
}

// The bytes of the GeoTIFF that model applied to the scene writes at path.
std::vector<unsigned char> ApplyToFile(const ZTModel* model, Fixture& f, const std::string& path) {
  EXPECT_EQ(Apply(model, f, path), RC_OK) << ztModelLastError();
  return ReadFileBytes(path);
}

// The bytes of a model saved to a buffer; the model is freed unless kept.
std::vector<unsigned char> SavedBytes(ZTModel* model, bool keep = false) {
  void* buffer = nullptr;
  size_t size = 0;
  EXPECT_EQ(ztModelSaveToBuffer(model, &buffer, &size), RC_OK);
  std::vector<unsigned char> bytes(static_cast<unsigned char*>(buffer), static_cast<unsigned char*>(buffer) + size);
  ztModelFreeBuffer(buffer);
  if (!keep) ztModelFree(model);
  return bytes;
}

class EveryMethod : public ::testing::TestWithParam<Method> {};

// One training per method: the one-shot result byte for byte and a save/load
// round trip to the bit.
TEST_P(EveryMethod, ApplyIsTheOneShotResultAndSurvivesSaveAndLoad) {
  const Method& m = GetParam();
  Fixture f;
  const std::string oneShotPath = f.scene.dir.File("one_shot.tif");
  ASSERT_EQ(m.oneShot(f.scene.source, f.bands.data(), CreateResult(oneShotPath).get()), RC_OK);
  ZTModel* model = Train(f, m);
  ASSERT_NE(model, nullptr);
  const std::string appliedPath = f.scene.dir.File("applied.tif");
  const std::vector<unsigned char> applied = ApplyToFile(model, f, appliedPath);
  if (m.sameFileLayout) {
    EXPECT_EQ(applied, ReadFileBytes(oneShotPath));
  }
  EXPECT_EQ(ReadBand(appliedPath), ReadBand(oneShotPath));
  EXPECT_EQ(ReadFileBytes(f.scene.dir.File("applied.tif.cls")), ReadFileBytes(oneShotPath + ".cls"));
  const std::vector<unsigned char> saved = SavedBytes(model, true);
  ASSERT_FALSE(saved.empty());
  const std::string path = f.scene.dir.File("model.ztm");
  ASSERT_EQ(ztModelSave(model, path.c_str()), RC_OK);
  EXPECT_EQ(ReadFileBytes(path), saved);
  ZTModel* loaded = nullptr;
  ASSERT_EQ(ztModelLoad(path.c_str(), &loaded), RC_OK) << ztModelLastError();
  EXPECT_STREQ(ztModelDescribe(loaded), ztModelDescribe(model));
  EXPECT_EQ(ApplyToFile(loaded, f, f.scene.dir.File("loaded.tif")), applied);
  EXPECT_EQ(SavedBytes(loaded), saved) << "saved again after loading";
  ztModelFree(model);
}

INSTANTIATE_TEST_SUITE_P(Methods, EveryMethod, ::testing::ValuesIn(kMethods), [](const auto& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

// Refused with RC_BAD_MODEL_FILE, a message holding expected, and no model.
void ExpectRefused(const std::vector<unsigned char>& bytes, const std::string& expected) {
  ZTModel* model = reinterpret_cast<ZTModel*>(&model);
  EXPECT_EQ(ztModelLoadFromBuffer(bytes.data(), bytes.size(), &model), RC_BAD_MODEL_FILE);
  EXPECT_EQ(model, nullptr);
  EXPECT_NE(std::string(ztModelLastError()).find(expected), std::string::npos) << ztModelLastError();
}

// Seals a model file: the FNV-1a hash of all but its last 8 bytes, in them.
void Reseal(std::vector<unsigned char>& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i + 8 < bytes.size(); ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  for (int i = 0; i < 8; ++i) bytes[bytes.size() - 8 + i] = static_cast<unsigned char>(hash >> (8 * i));
}

// A saved model is readable as any file the user makes (Dask workers of
// other users read it), and a replaced one keeps its mode.
TEST(ModelFile, SavedFilesTakeTheUmaskOrTheModeOfTheFileTheyReplace) {
  Fixture f;
  ZTModel* model = Train(f, kMethods[0]);
  const std::string path = f.scene.dir.File("mode.ztm");
  const mode_t before = umask(027);
  ASSERT_EQ(ztModelSave(model, path.c_str()), RC_OK);
  umask(before);
  struct stat saved {};
  ASSERT_EQ(stat(path.c_str(), &saved), 0);
  EXPECT_EQ(saved.st_mode & 0777, 0640u);
  chmod(path.c_str(), 0604);
  ASSERT_EQ(ztModelSave(model, path.c_str()), RC_OK);
  ASSERT_EQ(stat(path.c_str(), &saved), 0);
  EXPECT_EQ(saved.st_mode & 0777, 0604u);
  ztModelFree(model);
}

TEST(ModelFile, DamagedFilesAreRefusedWithTheirReason) {
  Fixture f;
  const std::vector<unsigned char> good = SavedBytes(Train(f, kMethods[3]));
  for (size_t cut : {size_t(0), size_t(5), size_t(14), size_t(40), good.size() / 2, good.size() - 9, good.size() - 1})
    ExpectRefused(std::vector<unsigned char>(good.begin(), good.begin() + cut), cut < 8 ? "magic" : "truncated");
  std::vector<unsigned char> flipped = good;
  flipped[good.size() - 20] ^= 0x40;
  ExpectRefused(flipped, "checksum");
  std::vector<unsigned char> version = good;
  version[8] = 2;
  Reseal(version);
  ExpectRefused(version, "model format version 2; this library reads version 1");
  // A value that is not finite, sealed as if written so.
  std::vector<unsigned char> infinite = good;
  const double inf = HUGE_VAL;
  std::memcpy(&infinite[good.size() - 16], &inf, 8);
  Reseal(infinite);
  ExpectRefused(infinite, "not finite");
  const std::string path = f.scene.dir.File("truncated.ztm");
  WriteFileBytes(path, std::vector<unsigned char>(good.begin(), good.begin() + 100));
  ZTModel* model = nullptr;
  EXPECT_EQ(ztModelLoad(path.c_str(), &model), RC_BAD_MODEL_FILE);
  EXPECT_NE(std::string(ztModelLastError()).find(path), std::string::npos);
  EXPECT_EQ(model, nullptr);
  // Another kind of file is refused by its first bytes, not read whole.
  EXPECT_EQ(ztModelLoad("/dev/zero", &model), RC_BAD_MODEL_FILE);
  EXPECT_NE(std::string(ztModelLastError()).find("magic"), std::string::npos);
}

// The first numbers holding NaN or an infinity, by name: what the check of a
// training and the model file's refusal name.
TEST(ModelNumbers, TheFirstNumbersThatAreNotFiniteAreFoundByName) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
  const struct {
    std::map<std::string, std::vector<double>> numbers;
    const char* first;  // null: every value finite
  } cases[] = {
      {{}, nullptr},
      {{{"weights", {1.0, -2.0, 1e308, -1e-308}}, {"bias", {}}}, nullptr},
      {{{"weights", {1.0, nan}}}, "weights"},
      {{{"weights", {-inf}}}, "weights"},
      {{{"b", {inf}}, {"a", {0.0, 1.0}}, {"c", {nan}}}, "b"},
      {{{"b", {inf}}, {"a", {nan, 0.0}}}, "a"},
  };
  for (const auto& c : cases) {
    zt::Model model;
    for (const auto& [name, values] : c.numbers) model.Put(name, {static_cast<long>(values.size())}, values);
    const std::string* found = model.NonFiniteNumbers();
    if (!c.first) {
      EXPECT_EQ(found, nullptr) << *found;
    } else {
      ASSERT_NE(found, nullptr) << c.first;
      EXPECT_EQ(*found, c.first);
    }
  }
}

TEST(ModelParameters, UnknownOrOutOfRangeParametersAreRefusedByName) {
  Fixture f;
  const struct {
    const char* method;
    const char* parameters;
    const char* named;
  } cases[] = {
      {"mindist", R"({"dev-factr": 2})", "dev-factr"},
      {"mindist", R"({"dev-factor": [1, 2]})", "dev-factor"},
      {"box", R"({"dev-factor": "two"})", "dev-factor"},
      {"box", R"({"dev-factor": -1})", "dev-factor"},
      {"cluster-box", R"({"classes": 255})", "classes"},
      {"isodata", R"({"stretch": "sharp"})", "stretch"},
      {"maxlike", "not json", "JSON"},
      {"kmeans", "", "kmeans"},
  };
  for (const auto& c : cases) {
    ZTModel* model = nullptr;
    EXPECT_EQ(TrainOn(f, c.method, c.parameters, &model), RC_BAD_PARAMETER) << c.method << " " << c.parameters;
    EXPECT_NE(std::string(ztModelLastError()).find(c.named), std::string::npos) << ztModelLastError();
    EXPECT_EQ(model, nullptr);
  }
  // The low end of a range is in it.
  ztModelFree(Train(f, {"bp", R"({"hidden": [4], "rate": 0, "momentum": 0, "epochs": 2, "seed": 7})", nullptr}));
}

// The scene's values as stored (Byte), [band][row * columns + column].
std::vector<std::vector<double>> StoredValues(const Fixture& f) {
  std::vector<std::vector<double>> values;
  for (int b = 1; b <= kBands; ++b) values.push_back(ReadBand(f.scene.sourcePath, b));
  return values;
}

// A method trained on a scene of its own and applied with a confidence band.
struct ModelConfidence : ::testing::Test {
  Fixture f;
  const std::vector<std::vector<double>> v = StoredValues(f);
  ZTModel* model = nullptr;
  void TearDown() override { ztModelFree(model); }

  // Trains method k and applies it with a confidence band; the band's values, row-major.
  std::vector<double> Confidence(int k) {
    ztModelFree(model);
    model = Train(f, kMethods[k]);
    const std::string path = f.scene.dir.File("confidence.tif");
    EXPECT_EQ(Apply(model, f, f.scene.dir.File("c_classes.tif"), path), RC_OK) << ztModelLastError();
    return ReadBand(path);
  }
};

const std::vector<std::vector<Rect>> kClassRects = {{{2, 2, 10, 12}}, {{15, 5, 24, 20}}, {{28, 10, 38, 28}}};

// Each class rectangle's pixels, as stored: [class][pixel][band].
std::vector<std::vector<std::vector<double>>> RectangleCells(const std::vector<std::vector<double>>& v) {
  std::vector<std::vector<std::vector<double>>> classes;
  for (const auto& rects : kClassRects) {
    std::vector<std::vector<double>>& cells = classes.emplace_back();
    for (int r = rects[0].y0; r < rects[0].y1; ++r)
      for (int c = rects[0].x0; c < rects[0].x1; ++c) {
        std::vector<double>& x = cells.emplace_back();
        for (int b = 0; b < kBands; ++b) x.push_back(v[b][r * kColumns + c]);
      }
  }
  return classes;
}

TEST_F(ModelConfidence, ABandOfAnotherSizeThanTheWindowIsRefused) {
  model = Train(f, kMethods[0]);
  for (const auto& [columns, rows] : {std::pair<long, long>{kColumns + 1, kRows}, {kColumns, kRows - 1}})
    EXPECT_EQ(Apply(model, f, f.scene.dir.File("sized.tif"), f.scene.dir.File("sized_confidence.tif"), columns, rows),
              RC_BAD_WINDOW)
        << columns << " x " << rows;
}

// Minimum distance gives the distance to the nearest mean; generalized distance
// the smallest weighted one, W the inverse of the class's raw scatter matrix
// (the mean of x x').
TEST_F(ModelConfidence, DistanceMethodsGiveTheSmallestDistanceOverTheClasses) {
  const std::vector<double> nearest = Confidence(0), weighted = Confidence(2);
  std::vector<Vec> means;
  std::vector<Matrix> weights;
  for (const auto& cells : RectangleCells(v)) {
    means.push_back(GaussianOf(cells).mean);
    weights.push_back(MeanProductInverse(cells));
  }
  for (int i = 0; i < kRows * kColumns; ++i) {
    const Vec x = {v[0][i], v[1][i], v[2][i]};
    double best = 1e300, bestWeighted = 1e300;
    for (size_t k = 0; k < means.size(); ++k) {
      best = std::min(best, Distance2(means[k], x));
      bestWeighted = std::min(bestWeighted, GeneralizedDistance(weights[k], means[k], x));
    }
    ASSERT_NEAR(nearest[i], std::sqrt(best), 1e-5 * std::sqrt(best) + 1e-6) << i;
    ASSERT_NEAR(weighted[i], bestWeighted, 1e-5 * std::fabs(bestWeighted) + 1e-6) << i;
  }
}

// A saved model's header and named arrays, read by the file layout.
struct SavedArrays {
  nlohmann::json header;
  std::map<std::string, std::vector<double>> numbers;
};

// Frees the model.
SavedArrays ReadSaved(ZTModel* model) {
  const std::vector<unsigned char> file = SavedBytes(model);
  const unsigned char* p = file.data();
  auto integer = [&p](int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(p[i]) << (8 * i);
    p += bytes;
    return v;
  };
  p += 12;
  p += integer(4);
  const uint64_t headerLength = integer(8);
  SavedArrays saved{nlohmann::json::parse(p, p + headerLength), {}};
  p += headerLength;
  for (const auto& entry : saved.header["numbers"]) {
    size_t count = 1;
    for (const auto& d : entry["shape"]) count *= d.get<size_t>();
    std::vector<double>& values = saved.numbers[entry["name"].get<std::string>()];
    values.resize(count);
    std::memcpy(values.data(), p, count * 8);
    p += count * 8;
  }
  return saved;
}

// The posterior of the most likely class, and the population covariance
// (divided by the pixel count) of each class kept: the classes here are too
// far apart for any decision or posterior to show the sample covariance's
// slightly larger spread.
TEST_F(ModelConfidence, MaximumLikelihoodGivesThePosteriorAndKeepsEachClasssPopulationCovariance) {
  const std::vector<double> confidence = Confidence(3);
  // Each class's Gaussian over its whole rectangle (maximum likelihood
  // trains on the whole image).
  const auto cells = RectangleCells(v);
  std::vector<Gaussian> classes;
  for (const auto& rectangle : cells) classes.push_back(GaussianOf(rectangle));
  for (int i = 0; i < kRows * kColumns; ++i) {
    double g[3];
    for (int k = 0; k < 3; ++k) g[k] = Discriminant(classes[k], {v[0][i], v[1][i], v[2][i]});
    const double best = std::max({g[0], g[1], g[2]});
    const double posterior = 1 / (std::exp(g[0] - best) + std::exp(g[1] - best) + std::exp(g[2] - best));
    ASSERT_NEAR(confidence[i], posterior, 1e-5) << i;
  }
  const std::vector<double> covariances = ReadSaved(std::exchange(model, nullptr)).numbers["covariances"];
  ASSERT_EQ(covariances.size(), cells.size() * kBands * kBands);
  for (size_t k = 0; k < cells.size(); ++k)
    for (int a = 0; a < kBands; ++a)
      for (int b = 0; b < kBands; ++b) {
        const Vec& mean = classes[k].mean;
        double sum = 0;
        for (const auto& x : cells[k]) sum += (x[a] - mean[a]) * (x[b] - mean[b]);
        const double expected = sum / double(cells[k].size());
        EXPECT_NEAR(covariances[(k * kBands + a) * kBands + b], expected, 1e-9 * std::fabs(expected) + 1e-12)
            << "class " << k << ", bands " << a << "," << b;
      }
}

TEST_F(ModelConfidence, BPGivesTheStrongestOutputOfTheForwardPass) {
  const std::vector<double> confidence = Confidence(8);
  ASSERT_NE(model, nullptr);
  SavedArrays saved = ReadSaved(std::exchange(model, nullptr));  // frees it
  const std::vector<double>& w1 = saved.numbers["layer-0-weights"];  // [band * 4 + hidden]
  const std::vector<double>& b1 = saved.numbers["layer-0-biases"];
  const std::vector<double>& w2 = saved.numbers["layer-1-weights"];  // [hidden * 3 + class]
  const std::vector<double>& b2 = saved.numbers["layer-1-biases"];
  ASSERT_EQ(w1.size(), 12u);
  ASSERT_EQ(w2.size(), 12u);
  auto sigmoid = [](double t) { return 1 / (1 + std::exp(-t)); };
  for (int i = 0; i < kRows * kColumns; ++i) {
    double hidden[4], strongest = 0;
    for (int j = 0; j < 4; ++j) {
      double sum = b1[j];
      for (int b = 0; b < kBands; ++b) sum += w1[b * 4 + j] * v[b][i] / 255;
      hidden[j] = sigmoid(sum);
    }
    for (int k = 0; k < 3; ++k) {
      double sum = b2[k];
      for (int j = 0; j < 4; ++j) sum += w2[j * 3 + k] * hidden[j];
      strongest = std::max(strongest, sigmoid(sum));
    }
    ASSERT_NEAR(confidence[i], strongest, 1e-6) << i;
  }
}

// Unit u answers exp(-|x - centre u|^2 / (2 spread u)); output k sums the
// answers weighted by row k of the output weights.
TEST_F(ModelConfidence, RBFGivesTheStrongestOutputOfItsUnits) {
  const std::vector<double> confidence = Confidence(10);
  ASSERT_NE(model, nullptr);
  SavedArrays saved = ReadSaved(std::exchange(model, nullptr));  // frees it
  const std::vector<double>& centres = saved.numbers["centres"];  // [unit * bands + band]
  const std::vector<double>& spreads = saved.numbers["spreads"];
  const std::vector<double>& weights = saved.numbers["output-weights"];  // [class * units + unit]
  const size_t units = spreads.size();
  ASSERT_EQ(centres.size(), units * kBands);
  ASSERT_EQ(weights.size(), units * 3);
  for (int i = 0; i < kRows * kColumns; ++i) {
    double strongest = -INFINITY;
    for (int k = 0; k < 3; ++k) {
      double sum = 0;
      for (size_t u = 0; u < units; ++u) {
        double d = 0;
        for (int b = 0; b < kBands; ++b) d += std::pow(v[b][i] / 255 - centres[u * kBands + b], 2);
        sum += weights[k * units + u] * std::exp(-d / (2 * spreads[u]));
      }
      strongest = std::max(strongest, sum);
    }
    ASSERT_NEAR(confidence[i], strongest, 1e-6) << i;
  }
}

// The file of a header and arrays (in the header's order), sealed.
std::vector<unsigned char> Written(const SavedArrays& m) {
  std::vector<unsigned char> out;
  auto integer = [&out](uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  const std::string version = "0", header = m.header.dump();
  out.insert(out.end(), {'Z', 'T', 'C', 'M', 'O', 'D', 'E', 'L'});
  integer(1, 4);
  integer(version.size(), 4);
  out.insert(out.end(), version.begin(), version.end());
  integer(header.size(), 8);
  out.insert(out.end(), header.begin(), header.end());
  for (const auto& entry : m.header["numbers"])
    for (double v : m.numbers.at(entry["name"].get<std::string>())) {
      uint64_t bits;
      std::memcpy(&bits, &v, 8);
      integer(bits, 8);
    }
  integer(0, 8);
  Reseal(out);
  return out;
}

TEST(ModelFile, ModelsOfTheWrongShapeOrValuesAreRefused) {
  Fixture f;
  const struct {
    int method;
    std::function<void(SavedArrays&)> damage;
    const char* reason;
  } cases[] = {
      {0, [](SavedArrays& m) { std::swap(m.header["classes"][1]["value"], m.header["classes"][2]["value"]); },
       "numbered 1, 2"},
      {0, [](SavedArrays& m) { m.numbers["classes"][1] = 1; }, "ascending class numbers"},
      // No rows where one per class belongs: only optional numbers may be empty.
      {0, [](SavedArrays& m) {
         for (auto& entry : m.header["numbers"])
           if (entry["name"] == "means") entry["shape"][0] = 0;
         m.numbers["means"].clear();
       }, "shape"},
      {8, [](SavedArrays& m) { m.header["scaling"] = nullptr; }, "band scaling"},
      {8, [](SavedArrays& m) { m.header["scaling"]["span"][1] = 0.0; }, "span"},
      {8, [](SavedArrays& m) { m.numbers["hidden-sizes"][0] = 3; }, "shape"},
      {8, [](SavedArrays& m) { m.numbers["hidden-sizes"][0] = 4.5; }, "whole numbers"},
      {9, [](SavedArrays& m) { m.header["parameters"]["squares"] = "yes"; }, "squares"},
      {10, [](SavedArrays& m) { m.numbers["spreads"][0] = -1; }, "spread is below 0"},
      {11, [](SavedArrays& m) {
         m.header["numbers"].push_back({{"name", "extra"}, {"shape", {1}}});
         m.numbers["extra"] = {1.0};
       }, "besides its codebook"},
      {13, [](SavedArrays& m) { m.header["parameters"].erase("noise"); }, "noise"},
      {14, [](SavedArrays& m) { m.header["numbers"][0]["shape"] = {m.numbers["categories"].size() / 3, 3}; },
       "shape"},
      {0, [](SavedArrays& m) { m.numbers["means"][1] = std::numeric_limits<double>::quiet_NaN(); },
       "the numbers \"means\" hold a value that is not finite"},
      {0, [](SavedArrays& m) { m.header["value-ranges"][1] = {200.0, 100.0}; }, "high to low"},
      {0, [](SavedArrays& m) { m.header["value-ranges"].erase(1); }, "one range per band"},
      // A file of brackets nested 200,000 deep exhausted the stack.
      {0, [](SavedArrays& m) {
         nlohmann::json deep = 1;
         for (int i = 0; i < 20; ++i) deep = nlohmann::json::array({deep});
         m.header["parameters"]["deep"] = deep;
       }, "nested deeper than 16 levels"},
  };
  for (const auto& c : cases) {
    SavedArrays saved = ReadSaved(Train(f, kMethods[c.method]));
    ZTModel* model = nullptr;
    ASSERT_EQ(ztModelLoadFromBuffer(Written(saved).data(), Written(saved).size(), &model), RC_OK)
        << kMethods[c.method].name << ": " << ztModelLastError();
    ztModelFree(model);
    c.damage(saved);
    ExpectRefused(Written(saved), c.reason);
  }
}

// A model keeps one value range per band (the values themselves are the
// command line's warning to check); models written without them load as
// before (ranges of the wrong count or running from high to low are refused
// with the other damage above).
TEST(ModelFile, TrainingValueRangesAreKeptOptionallyAndChecked) {
  Fixture f;
  SavedArrays saved = ReadSaved(Train(f, kMethods[0]));
  ZTModel* model = nullptr;
  ASSERT_EQ(saved.header["value-ranges"].size(), size_t(kBands));
  saved.header.erase("value-ranges");
  ASSERT_EQ(ztModelLoadFromBuffer(Written(saved).data(), Written(saved).size(), &model), RC_OK) << ztModelLastError();
  EXPECT_EQ(std::string(ztModelDescribe(model)).find("value-ranges"), std::string::npos);
  ztModelFree(model);
}

// Every model call given what it cannot use: a null handle, path or buffer,
// a band list of another length or numbers the image lacks, a window outside
// the image or of a negative or huge size. Each gives its code, a message
// and no model.
TEST(ModelCalls, WhatTheyCannotUseIsRefusedWithACode) {
  Fixture f;
  ZTModel* trained = Train(f, kMethods[0]);
  ASSERT_NE(trained, nullptr);
  Handle result = CreateResult(f.scene.dir.File("misuse.tif"));
  void* source = f.scene.source;
  long* bands = f.bands.data();
  long missing[] = {1, 2, 9};
  void* buffer = nullptr;
  size_t size = 0;
  const long huge = std::numeric_limits<long>::max();
  const auto train = [&](const char* method, void* image, long* list, long count, long rows, long columns,
                         long firstRow, long firstColumn) {
    ZTModel* model = nullptr;
    const long rc = ztModelTrain(method, "", image, list, count, rows, columns, firstRow, firstColumn, nullptr, &model);
    EXPECT_EQ(model, nullptr);
    ztModelFree(model);
    return rc;
  };
  const auto apply = [&](void* image, long* list, long count, void* into, long rows, long columns, long firstRow,
                         long firstColumn) {
    return ztModelApply(trained, image, list, count, into, nullptr, rows, columns, firstRow, firstColumn, nullptr);
  };
  const auto load = [](const char* path) {
    ZTModel* model = nullptr;
    const long rc = ztModelLoad(path, &model);
    EXPECT_EQ(model, nullptr);
    return rc;
  };
  const auto fromBuffer = [](const void* bytes, size_t length) {
    ZTModel* model = nullptr;
    const long rc = ztModelLoadFromBuffer(bytes, length, &model);
    EXPECT_EQ(model, nullptr);
    return rc;
  };
  const struct {
    const char* what;
    std::function<long()> call;
    long expected;
  } cases[] = {
      {"train into no model",
       [&] { return ztModelTrain("mindist", "", source, bands, kBands, kRows, kColumns, 0, 0, nullptr, nullptr); },
       RC_NULL_ARGUMENT},
      {"train no method", [&] { return train(nullptr, source, bands, kBands, kRows, kColumns, 0, 0); },
       RC_NULL_ARGUMENT},
      {"train no source", [&] { return train("mindist", nullptr, bands, kBands, kRows, kColumns, 0, 0); },
       RC_NULL_ARGUMENT},
      {"train no band list", [&] { return train("mindist", source, nullptr, kBands, kRows, kColumns, 0, 0); },
       RC_NULL_ARGUMENT},
      {"train no bands", [&] { return train("mindist", source, bands, 0, kRows, kColumns, 0, 0); }, RC_BAD_PARAMETER},
      {"train a negative band count", [&] { return train("cluster-box", source, bands, -3, kRows, kColumns, 0, 0); },
       RC_BAD_PARAMETER},
      {"train a huge band count", [&] { return train("isodata", source, bands, huge, kRows, kColumns, 0, 0); },
       RC_BAD_PARAMETER},
      {"train a band the image lacks",
       [&] { return train("cluster-mindist", source, missing, 3, kRows, kColumns, 0, 0); }, RC_BAD_WINDOW},
      {"train a negative window", [&] { return train("mindist", source, bands, kBands, -1, kColumns, 0, 0); },
       RC_BAD_WINDOW},
      {"train a window past the image", [&] { return train("kohonen", source, bands, kBands, kRows, kColumns, 1, 0); },
       RC_BAD_WINDOW},
      {"train a window before the image", [&] { return train("art", source, bands, kBands, kRows, 4, 0, -1); },
       RC_BAD_WINDOW},
      {"train a huge window", [&] { return train("bp", source, bands, kBands, huge, huge, huge, huge); },
       RC_BAD_WINDOW},
      {"apply no model",
       [&] {
         return ztModelApply(nullptr, source, bands, kBands, result.get(), nullptr, kRows, kColumns, 0, 0, nullptr);
       },
       RC_NULL_ARGUMENT},
      {"apply to no source", [&] { return apply(nullptr, bands, kBands, result.get(), kRows, kColumns, 0, 0); },
       RC_NULL_ARGUMENT},
      {"apply into no result", [&] { return apply(source, bands, kBands, nullptr, kRows, kColumns, 0, 0); },
       RC_NULL_ARGUMENT},
      {"apply no band list", [&] { return apply(source, nullptr, kBands, result.get(), kRows, kColumns, 0, 0); },
       RC_NULL_ARGUMENT},
      {"apply another band count",
       [&] { return apply(source, bands, kBands - 1, result.get(), kRows, kColumns, 0, 0); }, RC_BAD_PARAMETER},
      {"apply a huge band count", [&] { return apply(source, bands, huge, result.get(), kRows, kColumns, 0, 0); },
       RC_BAD_PARAMETER},
      {"apply a band the image lacks",
       [&] { return apply(source, missing, kBands, result.get(), kRows, kColumns, 0, 0); }, RC_BAD_WINDOW},
      {"apply a negative window", [&] { return apply(source, bands, kBands, result.get(), kRows, -1, 0, 0); },
       RC_BAD_WINDOW},
      {"apply a window past the image",
       [&] { return apply(source, bands, kBands, result.get(), kRows, kColumns, 0, 1); }, RC_BAD_WINDOW},
      {"apply a huge window", [&] { return apply(source, bands, kBands, result.get(), huge, huge, 1, 1); },
       RC_BAD_WINDOW},
      {"save no model", [&] { return ztModelSave(nullptr, f.scene.dir.File("none.ztm").c_str()); }, RC_NULL_ARGUMENT},
      {"save to no path", [&] { return ztModelSave(trained, nullptr); }, RC_NULL_ARGUMENT},
      {"save into a missing folder", [&] { return ztModelSave(trained, f.scene.dir.File("no/such.ztm").c_str()); },
       RC_WORK_FILE_FAILED},
      {"save no model to a buffer", [&] { return ztModelSaveToBuffer(nullptr, &buffer, &size); }, RC_NULL_ARGUMENT},
      {"save to no buffer", [&] { return ztModelSaveToBuffer(trained, nullptr, &size); }, RC_NULL_ARGUMENT},
      {"save to no size", [&] { return ztModelSaveToBuffer(trained, &buffer, nullptr); }, RC_NULL_ARGUMENT},
      {"load no path", [&] { return load(nullptr); }, RC_NULL_ARGUMENT},
      {"load into no model", [&] { return ztModelLoad(f.scene.dir.File("none.ztm").c_str(), nullptr); },
       RC_NULL_ARGUMENT},
      {"load a missing file", [&] { return load(f.scene.dir.File("none.ztm").c_str()); }, RC_INPUT_FILE_FAILED},
      {"load a folder", [&] { return load(f.scene.dir.path().c_str()); }, RC_INPUT_FILE_FAILED},
      {"load an image", [&] { return load(f.scene.sourcePath.c_str()); }, RC_BAD_MODEL_FILE},
      {"load no buffer of a size", [&] { return fromBuffer(nullptr, 8); }, RC_NULL_ARGUMENT},
      {"load an empty buffer", [&] { return fromBuffer(nullptr, 0); }, RC_BAD_MODEL_FILE},
      {"load a buffer into no model", [&] { return ztModelLoadFromBuffer("ZTCMODEL", 8, nullptr); }, RC_NULL_ARGUMENT},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(), c.expected) << c.what;
    EXPECT_NE(*ztModelLastError(), '\0') << c.what;
  }
  EXPECT_EQ(buffer, nullptr);
  EXPECT_STREQ(ztModelDescribe(nullptr), "");
  ztModelFree(nullptr);
  ztModelFreeBuffer(nullptr);
  ztModelFree(trained);
}

TEST(ModelTraining, NetworksTrainedOnSeveralThreadsAtOnceGiveTheModelOfTheirSeed) {
  Fixture f;
  const std::vector<unsigned char> alone = SavedBytes(Train(f, kMethods[8]));
  std::vector<std::vector<unsigned char>> together(3);
  std::vector<std::thread> threads;
  for (auto& bytes : together)
    threads.emplace_back([&] {
      // A scene of the thread's own: GDAL's dataset handles are not shared.
      Fixture own;
      bytes = SavedBytes(Train(own, kMethods[8]));
    });
  for (int i = 0; i < 1000; ++i) std::rand();
  for (auto& t : threads) t.join();
  for (const auto& bytes : together) EXPECT_EQ(bytes, alone);
}

}  // namespace
