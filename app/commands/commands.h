#pragma once
#include <CLI/CLI.hpp>

namespace ztcli {

void AddInfoCommand(CLI::App& app);
void AddClassesCommand(CLI::App& app);
void AddAoiCommand(CLI::App& app);
void AddSamplesCommand(CLI::App& app);
void AddRecodeCommand(CLI::App& app);
void AddStatisticalCommands(CLI::App& app);
void AddPostClassCommands(CLI::App& app);
void AddUnmixCommand(CLI::App& app);
void AddAccuracyCommand(CLI::App& app);
void AddClusterCommands(CLI::App& app);
void AddNeuralCommands(CLI::App& app);
void AddKohonenCommand(CLI::App& app);
void AddArtCommands(CLI::App& app);
void AddExportCommands(CLI::App& app);
// train, apply and model.
void AddModelCommands(CLI::App& app);

}  // namespace ztcli
