# SPDX-License-Identifier: MIT
# Bash completion for dirscribe-cli: its options (read from its --help), the six format names,
# file names for --new and --append, and folder names for the start folder.

_dirscribe_cli() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        -f | --format)
            mapfile -t COMPREPLY < <(compgen -W 'text text-names csv-names csv html-names html' -- "$cur")
            return
            ;;
        -n | --new | -a | --append)
            _filedir
            return
            ;;
        --each-disc)
            # An optical drive's device, or the mount point of one.
            _filedir
            return
            ;;
        -m | --mask | -D | --description | --label | --discs | --find)
            # Free text: nothing to offer.
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '$(_parse_help "$1")' -- "$cur")
        return
    fi
    _filedir -d
} && complete -F _dirscribe_cli dirscribe-cli
