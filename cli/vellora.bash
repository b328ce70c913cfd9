# bash completion for vellora: commands, their options, and file names.
_vellora() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local commands="create tree import export cat rm mv mkdir lines images props info check salvage compact properties help"
  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "$commands --help --version" -- "$cur")
    return
  fi
  local command=${COMP_WORDS[1]} options="-h --help"
  case $command in
    help)
      ((COMP_CWORD == 2)) && mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
      return
      ;;
    images)
      if ((COMP_CWORD == 2)); then
        mapfile -t COMPREPLY < <(compgen -W "list add extract" -- "$cur")
        return
      fi
      [ "${COMP_WORDS[2]}" = list ] || options+=" -f --force"
      ;;
    create) options+=" -f --force --plain" ;;
    tree) options+=" --list" ;;
    import) options+=" -f --force" ;;
    mkdir) options+=" -p --parents" ;;
    export) options+=" -f --force -r --recursive" ;;
    props) options+=" --set --set-user" ;;
    salvage) options+=" -f --force --to-folder" ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -o filenames -F _vellora vellora
