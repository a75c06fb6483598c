#include "frame/string_table.h"

#include <cstring>
#include <string_view>

#include "services/text.h"

namespace zt {

namespace {

struct Entry {
  int id;
  std::string_view text;
};

// The module's string table (UTF-8). Ids are stable: callers and captions
// refer to them by number.
constexpr Entry kStrings[] = {
    {1, "BP神经网络分类"},
    {2, "神经网络分类..."},
    {5, "网络训练..."},
    {6, "高阶前馈BP神经网络训练..."},
    {7, "RBF 神经网络分类"},
    {8, "Kohonen 神经网络分类"},
    {9, "LVQ2神经网络分类"},
    {11, "ART 神经网络分类"},
    {12, "Fuzzy ART神经网络分类"},
    {13, "高阶BP神经网络分类"},
    {14, "高阶前馈BP神经网络分类..."},
    {15, "获取训练样本集..."},
    {16, "处理训练样本集..."},
    {17, "最大似然法监督分类..."},
    {19, "获取采样样本集..."},
    {20, "线性波谱混合像元分解..."},
    {21, "混合像元分解..."},
    {26, "请先设置文件名！"},
    {27, "图例的大小因子必须大于0！"},
    {29, "统计地类面积失败！"},
    {30, "地类面积统计文件(*.txt)|*.txt||"},
    {31, "成功导出报告到文件\n%s！"},
    {32, "遥感影像分类精度评价报告:\n\n"},
    {33, "原始影像文件: "},
    {34, "分类影像文件:"},
    {35, "表%d：误差矩阵"},
    {36, "已分\\参考"},
    {37, "总计"},
    {38, "未分类"},
    {39, "表%d：各类精度"},
    {40, "表%d：总体精度"},
    {41, "总精度="},
    {42, "Kappa系数="},
    {43, "分类精度评价..."},
    {47, "统计分类误差矩阵..."},
    {48, "聚类统计..."},
    {49, "过滤分析..."},
    {50, "正在写结果影像文件..."},
    {51, "正在统计聚类块信息..."},
    {52, "正在搜索小于给定统计值的聚类块..."},
    {53, "正在读取源影像信息..."},
    {54, "去除分析..."},
    {55, "非监督的平行六面体分类..."},
    {56, "最大最小距离法选初始类中心..."},
    {57, "计算初始类的统计值:样本个数和均值..."},
    {58, "非监督的最小距离分类..."},
    {59, "正在进行去除合并..."},
    {60, "非监督的广义最小距离分类..."},
    {61, "计算散度矩阵和散度矩阵的逆矩阵..."},
    {62, "有监督的广义最小距离分类..."},
    {63, "有监督的平行六面体分类..."},
    {64, "有监督的最小距离分类..."},
    {65, "ISODATA分类..."},
    {67, "生成最终分类结果..."},
};

}  // namespace

bool LoadString(int id, char* buffer, size_t size) {
  if (!buffer || size == 0) return false;
  for (const Entry& entry : kStrings) {
    if (entry.id != id) continue;
    CopyText(entry.text, buffer, size);
    return true;
  }
  std::memset(buffer, 0, size);
  return false;
}

}  // namespace zt
