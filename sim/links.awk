# The links of `ip -o link show`, one a line: NAME ADMIN MAC MASTER (ADMIN up or down, MAC and
# MASTER "-" when there is none). The simulator (sim/inside.sh) and the MIPS VM's guest
# (sim/vm/guest.sh) write the state after the last command with it.
{
  name = $2; sub(/:$/, "", name); sub(/@.*/, "", name)
  admin = ($3 ~ /[<,]UP[,>]/) ? "up" : "down"
  mac = "-"; master = "-"
  for (i = 4; i < NF; i++) {
    if ($i == "master") master = $(i + 1)
    if ($i ~ /^link\//) mac = $(i + 1)
  }
  printf "%-10s %-5s %-17s %s\n", name, admin, mac, master
}
