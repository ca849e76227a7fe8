// The merged folder of `velliqor --merge`: the combined blocks written as a
// run writes its own, each log line saying which takes held the block, how it
// was chosen and what the checksum can vouch for.
#pragma once

#include <string>
#include <vector>

#include "app/linux/cli_options.h"
#include "app/linux/take_blocks.h"
#include "merge/match.h"

struct Take {
    int number = 0;                 // 1-based, as on the command line
    std::string recording;          // as named there
    std::string folder;             // its run's output folder
    std::vector<TakeBlock> blocks;
};

// Writes the merged tape into `folder` (or NAME-k when another owns it);
// returns the exit status it earns.
int write_merged(const std::vector<Take>& takes, const std::vector<MatchedBlock>& groups, std::string folder,
                 const CliOptions& options);
