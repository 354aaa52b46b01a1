#!/usr/bin/env bash
# The layers of src/ run one way: a folder includes its own headers and those of the folders
# below it, never one above it or beside it (docs/architecture.md has the picture). And only the
# platform includes the system's own interfaces (files, processes, signals, sockets, devices),
# writes the program's messages and reads errno.
#   layers.sh SRC_DIR
set -euo pipefail
src=${1:?usage: layers.sh SRC_DIR}

# The order, lowest first; folders on the same line are side by side.
layers=(platform base "runner nvram" wlan wps rc)
declare -A rank
for ((i = 0; i < ${#layers[@]}; i++)); do
  for folder in ${layers[i]}; do rank[$folder]=$i; done
done

status=0
while IFS= read -r hit; do
  file=${hit%%:*} rest=${hit#*:}
  line=${rest%%:*} text=${rest#*:}
  from=${file#"$src"/}
  from=${from%%/*}
  to=${text#'#include "'}
  to=${to%%/*}
  if [ -z "${rank[$from]+x}" ] || [ -z "${rank[$to]+x}" ]; then
    echo "${file#"$src"/}:$line: $from or $to is not a layer: $text"
    status=1
  elif [ "$from" != "$to" ] && ((rank[$to] >= rank[$from])); then
    echo "${file#"$src"/}:$line: $from includes $to, which is not below it: $text"
    status=1
  fi
done < <(grep -rn --include='*.cpp' --include='*.h' '^#include "[^"]*/' "$src")
while IFS= read -r hit; do
  echo "${hit#"$src"/}: only the platform talks to the system"
  status=1
done < <(grep -rn --include='*.cpp' --include='*.h' -E '^#include <(fcntl|unistd|signal|spawn|poll|dirent|net/|netinet/|arpa/|sys/)' "$src" |
  grep -v "^$src/platform/")
# Nor does anything above it write a message or read errno itself: messages leave through
# platform/messages.h, and a failure comes back as a platform call's result.
while IFS= read -r hit; do
  echo "${hit#"$src"/}: messages and system errors go through the platform"
  status=1
done < <(grep -rnE --include='*.cpp' --include='*.h' \
  '\b(errno|strerror|stdout|stderr)\b|\b(printf|vprintf|fprintf|vfprintf|puts|fputs|putchar|fputc|perror|fflush|fwrite)[[:space:]]*\(' \
  "$src" | grep -v "^$src/platform/" | grep -vE '^[^:]*:[0-9]+:[[:space:]]*//')
[ "$status" = 0 ] && echo "layers: every include of $(find "$src" -name '*.cpp' -o -name '*.h' | wc -l) files runs down"
exit $status
