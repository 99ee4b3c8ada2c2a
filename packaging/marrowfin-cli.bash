# Bash completion for marrowfin-cli: its commands, their actions and options, and the global options.
_marrowfin_cli()
{
    local cur prev words cword
    _init_completion || return

    local globals="--site-host --captcha-image-host --captcha-cookie-domain --imdb-host --advertising-unit --donation-link
        --config-dir --ca-file --json --help --version"
    local commands="new search favorites filters settings detail login logout whoami remote send history doctor watch"
    case $prev in
    --config-dir)
        _filedir -d
        return
        ;;
    --ca-file)
        _filedir
        return
        ;;
    --site-host | --captcha-image-host | --captcha-cookie-domain | --imdb-host | --advertising-unit | --donation-link | \
        --page | --pages | --every | --user | --password | \
        --address | --port | --name)
        return
        ;;
    --client)
        COMPREPLY=($(compgen -W "Vuze Transmission Utorrent Qbittorrent Deluge" -- "$cur"))
        return
        ;;
    esac

    # The command is the first word that is not an option or an option's value.
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --site-host | --captcha-image-host | --captcha-cookie-domain | --imdb-host | --advertising-unit | --donation-link | \
            --config-dir | --ca-file)
            ((i++))
            ;;
        -*) ;;
        *)
            command=${words[i]}
            break
            ;;
        esac
    done

    local options=""
    case $command in
    "")
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$globals" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
        ;;
    new | search) options="--page" ;;
    favorites) options="--pages" ;;
    filters) options="list add remove --force" ;;
    settings) options="list get set unset" ;;
    login) options="--user --password --automatic --anonymous" ;;
    remote) options="show set test --client --address --port --user --password" ;;
    send) options="--name" ;;
    history) options="list remove" ;;
    watch) options="--every --once --send --max-sends --allow-match-all --send-earlier --dry-run --pages --notify" ;;
    esac
    COMPREPLY=($(compgen -W "$options --help --json" -- "$cur"))
}
complete -F _marrowfin_cli marrowfin-cli
