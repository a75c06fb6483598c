// ztclass: the command-line host of the classification library.
#include <CLI/CLI.hpp>
#include <cpl_error.h>
#include <iostream>

#include "cli_support.h"
#include "commands/commands.h"
#include "interrupt.h"
#include "number_options.h"
#include "terminal_text.h"
#include "worker_threads.h"
#include "ztservices/language.h"

int main(int argc, char** argv) {
  ztcli::ShowInLocaleCharset(argc, argv);
  CLI::App app{"ztclass: classification of multi-band remote-sensing images"};
  app.require_subcommand(1);
  app.fallthrough();
  app.set_version_flag("--version", "ztclass " ZTCLASS_VERSION);
  bool quiet = false, verbose = false;
  app.add_flag("-q,--quiet", quiet, "No progress and no report of what was written; errors only");
  app.add_flag("-v,--verbose", verbose,
               "Also report what the command derived from the data (the networks' band scaling, scaled defaults)");
  app.footer("Exit status: 0 success, 1 failure, 2 usage error, 130 stopped by Ctrl-C, 143 by SIGTERM, 129 by SIGHUP.");
  app.parse_complete_callback([&quiet, &verbose] {
    ztcli::SetQuiet(quiet);
    ztcli::SetVerbose(verbose && !quiet);
  });
  ztcli::AddInfoCommand(app);
  ztcli::AddClassesCommand(app);
  ztcli::AddAoiCommand(app);
  ztcli::AddSamplesCommand(app);
  ztcli::AddRecodeCommand(app);
  ztcli::AddStatisticalCommands(app);
  ztcli::AddPostClassCommands(app);
  ztcli::AddUnmixCommand(app);
  ztcli::AddAccuracyCommand(app);
  ztcli::AddClusterCommands(app);
  ztcli::AddNeuralCommands(app);
  ztcli::AddKohonenCommand(app);
  ztcli::AddArtCommands(app);
  ztcli::AddExportCommands(app);
  ztcli::AddModelCommands(app);
  ztcli::GuardNumberOptions(app);
  // The library's texts for people (captions, reports, the legend's default
  // name) follow the locale: Chinese under a Chinese one, English otherwise.
  ztSetLanguage(ztLocaleLanguage());
  ztcli::InstallInterruptHandler();
  ztcli::EnsureGdal();
  // The commands say what failed in messages of their own, GDAL's reason
  // within them. The process is the command line's own; a host of the
  // library keeps its handler.
  CPLSetErrorHandler(CPLQuietErrorHandler);
  ztcli::BoundGdalCache();
  ztcli::UseEveryCore();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : ztcli::kUsageStatus;
  } catch (const ztcli::CommandError& error) {
    std::cerr << "ztclass: " << ztcli::UserPaths(error.what()) << "\n";
    return error.status;
  } catch (const std::exception& error) {
    std::cerr << "ztclass: " << ztcli::UserPaths(error.what()) << "\n";
    return 1;
  }
  return 0;
}
