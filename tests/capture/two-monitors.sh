#!/usr/bin/env bash
# Splits the virtual server's 4480 x 1440 root into two RandR monitors of different densities, then runs
# the command with Qt taking each monitor's ratio from its physical size (MON-B: 2560 px over 339 mm is
# 192 dpi, ratio 2). Must run before the command starts: Qt reads the monitors once, at start-up.
set -eu
xrandr --setmonitor '*MON-A' 1920/508x1080/286+0+0 screen
xrandr --setmonitor MON-B 2560/339x1440/191+1920+0 none
export QT_USE_PHYSICAL_DPI=1
exec "$@"
