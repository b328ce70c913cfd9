#!/usr/bin/env bash
# Writes the manual page of vellora from the tool's own help, so that the page
# and --help never disagree: manpage.sh VELLORA OUT
set -euo pipefail
vellora=$1
out=$2

# Help text as troff: a backslash is printed with \e, and a line may not start
# with a control character.
roff() { sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\&&/"; }
# The names listed under "Subcommands:" in a help text.
commands() { sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'; }
# A command's help, its usage line naming the whole command.
help_of() {  # help_of "images list" HELP
  printf '%s\n' "$2" | sed "s/^Usage: [^ ]*/Usage: vellora $1/" | roff
}
section() {  # section "images list" HELP
  printf '.SS %s\n.nf\n' "$1"
  help_of "$1" "$2" | tail -n +2
  printf '.fi\n'
}

top=$("$vellora" --help)
version=$("$vellora" --version)
summary=$(printf '%s\n' "$top" | head -n 1 | sed 's/^vellora: //')
{
  printf '.TH VELLORA 1 "" "%s" "User Commands"\n' "$version"
  printf '.SH NAME\nvellora \\- %s\n' "$(printf '%s' "$summary" | roff)"
  printf '.SH SYNOPSIS\n.B vellora\n.I COMMAND\n[\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]\n'
  printf '.br\n.B vellora help\n[\\fICOMMAND\\fR]\n'
  printf '.SH DESCRIPTION\n.nf\n'
  printf '%s\n' "$top" | tail -n +3 | sed 's/^Usage: [^ ]*/Usage: vellora/' | roff
  printf '.fi\n.SH COMMANDS\n'
  for command in $(printf '%s\n' "$top" | commands); do
    text=$("$vellora" help "$command")
    section "$command" "$text"
    for sub in $(printf '%s\n' "$text" | commands); do
      section "$command $sub" "$("$vellora" "$command" "$sub" --help)"
    done
  done
  printf '.SH EXIT STATUS\n'
  printf '0 on success, 1 when the command failed, 2 when the command line could not be understood.\n'
} >"$out.tmp"
mv "$out.tmp" "$out"
