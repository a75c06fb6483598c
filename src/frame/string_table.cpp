#include "frame/string_table.h"

#include <cstring>
#include <string_view>

#include "services/text.h"
#include "ztservices/language.h"

namespace zt {

namespace {

struct Entry {
  int id;
  std::string_view chinese;
  std::string_view english;
};

// The module's string table (UTF-8): the system's own Chinese texts and
// their English versions, which keep the same printf conversions. Ids are
// stable: callers and captions refer to them by number.
constexpr Entry kStrings[] = {
    {1, "BP神经网络分类", "BP neural network classification"},
    {2, "神经网络分类...", "Neural network classification..."},
    {5, "网络训练...", "Training the network..."},
    {6, "高阶前馈BP神经网络训练...", "Training the high-order feed-forward BP network..."},
    {7, "RBF 神经网络分类", "RBF neural network classification"},
    {8, "Kohonen 神经网络分类", "Kohonen neural network classification"},
    {9, "LVQ2神经网络分类", "LVQ2 neural network classification"},
    {11, "ART 神经网络分类", "ART neural network classification"},
    {12, "Fuzzy ART神经网络分类", "Fuzzy ART neural network classification"},
    {13, "高阶BP神经网络分类", "High-order BP neural network classification"},
    {14, "高阶前馈BP神经网络分类...", "High-order feed-forward BP neural network classification..."},
    {15, "获取训练样本集...", "Gathering the training samples..."},
    {16, "处理训练样本集...", "Processing the training samples..."},
    {17, "最大似然法监督分类...", "Supervised maximum likelihood classification..."},
    {19, "获取采样样本集...", "Gathering the image samples..."},
    {20, "线性波谱混合像元分解...", "Linear spectral unmixing..."},
    {21, "混合像元分解...", "Unmixing mixed pixels..."},
    {26, "请先设置文件名！", "Set the file name first!"},
    {27, "图例的大小因子必须大于0！", "The legend's size factor must be above 0!"},
    {29, "统计地类面积失败！", "Class area statistics failed!"},
    {30, "地类面积统计文件(*.txt)|*.txt||", "Class area statistics files (*.txt)|*.txt||"},
    {31, "成功导出报告到文件\n%s！", "Report exported to the file\n%s!"},
    {32, "遥感影像分类精度评价报告:\n\n", "Remote-sensing image classification accuracy report:\n\n"},
    {33, "原始影像文件: ", "Source image file: "},
    {34, "分类影像文件:", "Class image file:"},
    {35, "表%d：误差矩阵", "Table %d: error matrix"},
    {36, "已分\\参考", "Map\\Ref"},
    {37, "总计", "Total"},
    {38, "未分类", "No class"},
    {39, "表%d：各类精度", "Table %d: class accuracy"},
    {40, "表%d：总体精度", "Table %d: overall accuracy"},
    {41, "总精度=", "Overall="},
    {42, "Kappa系数=", "Kappa="},
    {43, "分类精度评价...", "Classification accuracy assessment..."},
    {47, "统计分类误差矩阵...", "Computing the classification error matrix..."},
    {48, "聚类统计...", "Clump analysis..."},
    {49, "过滤分析...", "Sieve analysis..."},
    {50, "正在写结果影像文件...", "Writing the result image..."},
    {51, "正在统计聚类块信息...", "Computing the clump statistics..."},
    {52, "正在搜索小于给定统计值的聚类块...", "Looking for clumps below the given size..."},
    {53, "正在读取源影像信息...", "Reading the source image..."},
    {54, "去除分析...", "Eliminate analysis..."},
    {55, "非监督的平行六面体分类...", "Unsupervised parallelepiped classification..."},
    {56, "最大最小距离法选初始类中心...", "Choosing initial class centres by max-min distance..."},
    {57, "计算初始类的统计值:样本个数和均值...", "Computing the initial classes' statistics: sample counts and means..."},
    {58, "非监督的最小距离分类...", "Unsupervised minimum distance classification..."},
    {59, "正在进行去除合并...", "Eliminating and merging..."},
    {60, "非监督的广义最小距离分类...", "Unsupervised generalized minimum distance classification..."},
    {61, "计算散度矩阵和散度矩阵的逆矩阵...", "Computing the scatter matrices and their inverses..."},
    {62, "有监督的广义最小距离分类...", "Supervised generalized minimum distance classification..."},
    {63, "有监督的平行六面体分类...", "Supervised parallelepiped classification..."},
    {64, "有监督的最小距离分类...", "Supervised minimum distance classification..."},
    {65, "ISODATA分类...", "ISODATA classification..."},
    {67, "生成最终分类结果...", "Generating the final class map..."},
    // From 100: the texts of the saved models' calls.
    {100, "计算分类置信度...", "Computing the classification confidence..."},
};

}  // namespace

bool ChineseTexts() { return std::string_view(ztGetLanguage()) == "zh"; }

bool LoadString(int id, char* buffer, size_t size) {
  if (!buffer || size == 0) return false;
  for (const Entry& entry : kStrings) {
    if (entry.id != id) continue;
    CopyText(ChineseTexts() ? entry.chinese : entry.english, buffer, size);
    return true;
  }
  std::memset(buffer, 0, size);
  return false;
}

}  // namespace zt
