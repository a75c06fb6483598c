// ztclass: the command-line host of the classification library.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli_support.h"
#include "commands/commands.h"
#include "progress_bar.h"

int main(int argc, char** argv) {
  CLI::App app{"ztclass: classification of multi-band remote-sensing images"};
  app.require_subcommand(1);
  ztcli::AddInfoCommand(app);
  ztcli::AddClassesCommand(app);
  ztcli::AddAoiCommand(app);
  ztcli::AddSamplesCommand(app);
  ztcli::AddRecodeCommand(app);
  ztcli::AddStatisticalCommands(app);
  ztcli::AddPostClassCommands(app);
  ztcli::AddClusterCommands(app);
  ztcli::InstallInterruptHandler();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error);
  } catch (const ztcli::CommandError& error) {
    std::cerr << "ztclass: " << error.what() << "\n";
    return error.status;
  } catch (const std::exception& error) {
    std::cerr << "ztclass: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
