# shellcheck shell=bash
# The play trees of build/play: sourced by scripts/run and scripts/skyrend-multiplayer,
# which set ROOT (the checkout).

# What a play tree got from the build is recorded beside it (build/play/
# .manifest-device, .manifest-desktop), so that each run can tell the
# build's files from what the programs saved. After its header field, each
# entry is eight fields, each ended by a NUL byte: type (f file, l symbolic
# link, d folder); the content the play tree last got from the build (a
# file's SHA-1, a link's target after "->"; empty when not known); the
# build's file as last seen, its signature (inode:size:mtime) and content;
# the play tree's file as last seen, its signature and content; the content
# it had before, while a run replaces it (else empty); the path inside the
# tree. A file whose signature is the one last seen is not read again.
MANIFEST_HEADER="hh play manifest 1"

# scan_tree DIR TYPES SIGNATURES LINKS: every entry below DIR, by path.
# shellcheck disable=SC2034 # written through the names the caller gives
scan_tree()
{
    local -n scan_types="$2" scan_sigs="$3" scan_links="$4"
    local head target type rest path
    [ -d "$1" ] || return 0
    while IFS= read -r -d '' head && IFS= read -r -d '' target; do
        type="${head%% *}"
        rest="${head#* }"
        path="${rest#* }"
        case "$type" in
            f | d) ;;
            l) scan_links["$path"]="->$target" ;;
            *) continue ;; # pipes, sockets, devices: nothing a build ships
        esac
        scan_types["$path"]="$type"
        scan_sigs["$path"]="${rest%% *}"
    done < <(find "$1" -mindepth 1 -printf '%y %i:%s:%T@ %P\0%l\0')
}

# hash_files DIR CONTENTS PATHS...: CONTENTS[path] = SHA-1 of DIR/path, in
# one pass; a file that cannot be read gets no entry.
# shellcheck disable=SC2034 # written through the name the caller gives
hash_files()
{
    local -n hash_into="$2"
    local dir="$1" line
    shift 2
    [ $# -gt 0 ] || return 0
    while IFS= read -r -d '' line; do
        hash_into["${line:44}"]="${line:0:40}"
    done < <(cd "$dir" && printf './%s\0' "$@" | xargs -0 sha1sum -z -- 2>/dev/null)
}

# The helpers below work on sync_play_tree's variables.
# keep_entry PATH TYPE GIVEN BUILD_SIG BUILD_CONTENT PLAY_SIG PLAY_CONTENT [BEFORE]:
# an entry of the new manifest (a play file that could not be read is read
# again next time).
keep_entry()
{
    otype["$1"]="$2" ogiven["$1"]="$3" obsig["$1"]="$4" obhash["$1"]="$5" opsig["$1"]="$6" ophash["$1"]="$7"
    obefore["$1"]="${8-}"
    [ -n "$7" ] || opsig["$1"]=""
}
# drop_entry PATH: no entry for PATH in the new manifest.
drop_entry()
{
    unset 'otype[$1]' 'ogiven[$1]' 'obsig[$1]' 'obhash[$1]' 'opsig[$1]' 'ophash[$1]' 'obefore[$1]'
}
# as_given PATH CONTENT: CONTENT is what the play tree got from the build
# for PATH (before a run that was replacing it, or after).
as_given()
{
    [ -n "$2" ] && { [ "$2" = "${rgiven[$1]-}" ] || [ "$2" = "${rbefore[$1]-}" ]; }
}
# bring PATH TYPE: the build's file is to replace the play tree's (see
# sync_play_tree); its entry says both contents until then.
bring()
{
    to_bring+=("$1")
    keep_entry "$1" "$2" "${bhash[$1]}" "${bsig[$1]}" "${bhash[$1]}" "" "${bhash[$1]}" "${phash[$1]-}"
}
# written_back PATH: a file the programs write back: the registry, or one
# with a shipped copy in a "defaults" folder beside it.
written_back()
{
    [ "$1" = registry ] || [ -n "${btype[$(folder_of "$1")defaults/${1##*/}]-}" ]
}
folder_of()
{
    case "$1" in */*) echo "${1%/*}/" ;; esac
}
# write_manifest: the new manifest, written whole and renamed over the old one.
write_manifest()
{
    local p
    if {
        printf '%s\0' "$MANIFEST_HEADER"
        for p in "${!otype[@]}"; do
            printf '%s\0' "${otype[$p]}" "${ogiven[$p]}" "${obsig[$p]}" "${obhash[$p]}" \
                "${opsig[$p]}" "${ophash[$p]}" "${obefore[$p]}" "$p"
        done
    } >"$manifest.partial" 2>/dev/null && mv -f -- "$manifest.partial" "$manifest"; then
        return 0
    fi
    rm -f "$manifest.partial"
    notes+=("could not write $manifest; the next run looks at every file again")
}

# renew_play_tree: each of the build's entries compared with the play tree's
# and the manifest's, and what the build no longer has.
renew_play_tree()
{
    # The build's folders first, then its files and links.
    for p in "${!btype[@]}"; do
        [ "${btype[$p]}" = d ] || continue
        if [ -z "${ptype[$p]-}" ]; then
            mkdir -p "$to/$p"
        elif [ "${ptype[$p]}" != d ]; then
            notes+=("$play_name/$p is not a folder as in the build; the build's files in it are not copied")
        fi
        keep_entry "$p" d "" - - - -
    done
    for p in "${!btype[@]}"; do
        t="${btype[$p]}"
        [ "$t" != d ] || continue
        bh="${bhash[$p]-}"
        ph="${phash[$p]-}"
        if [ -z "$bh" ]; then
            notes+=("cannot read $from/$p; $play_name keeps what it has")
            [ -z "${rtype[$p]-}" ] || keep_entry "$p" "${rtype[$p]}" "${rgiven[$p]}" "${rbsig[$p]}" \
                "${rbhash[$p]}" "${rpsig[$p]}" "${rphash[$p]}" "${rbefore[$p]}"
        elif [ -z "${ptype[$p]-}" ]; then
            # New, or removed since (by a program or by hand): the build's copy.
            bring "$p" "$t"
        elif [ "${ptype[$p]}" = d ]; then
            notes+=("$play_name/$p is a folder where the build has a file; it is left as it is")
        elif [ "$ph" = "$bh" ]; then
            keep_entry "$p" "$t" "$bh" "${bsig[$p]}" "$bh" "${psig[$p]}" "$ph"
        elif [ -n "${rtype[$p]-}" ] && as_given "$p" "$ph"; then
            # As the build gave it: the build's new content replaces it.
            bring "$p" "$t"
        elif [ -n "${rtype[$p]-}" ] || [ "$legacy" = 0 ]; then
            # Saved by a program (or made by one, and the build now ships a
            # file of that name too): kept, and said once for each new copy
            # the build makes.
            if [ -z "$ph" ]; then
                notes+=("cannot read $play_name/$p; it is kept as it is")
            elif [ "${rbhash[$p]-}" != "$bh" ]; then
                notes+=("keeps $play_name/$p as it was saved; the build's copy is $from/$p")
            fi
            keep_entry "$p" "$t" "${rgiven[$p]-}" "${bsig[$p]}" "$bh" "${psig[$p]}" "$ph"
        elif written_back "$p"; then
            shipped="${phash[$(folder_of "$p")defaults/${p##*/}]-}"
            if [ -n "$ph" ] && [ "$ph" = "$shipped" ]; then
                bring "$p" "$t"
            else
                notes+=("keeps $play_name/$p as it was saved; the build's copy is $from/$p")
                keep_entry "$p" "$t" "" "${bsig[$p]}" "$bh" "${psig[$p]}" "$ph"
            fi
        else
            # An older copy of the build's program or content.
            bring "$p" "$t"
        fi
    done

    # What the play tree got from an earlier build and the build no longer has.
    for p in "${!rtype[@]}"; do
        [ -z "${btype[$p]-}" ] || continue
        t="${rtype[$p]}"
        if [ "$t" = d ]; then
            [ "${ptype[$p]-}" != d ] || gone_dirs+=("$p")
            continue
        fi
        # Gone already, or no longer a file: nothing to keep a record of.
        case "${ptype[$p]-}" in "" | d) continue ;; esac
        ph="${phash[$p]-}"
        if as_given "$p" "$ph"; then
            rm -f -- "$to/$p"
        else
            [ "${rbsig[$p]}" = - ] ||
                notes+=("keeps $play_name/$p as it was saved, though the build no longer has it")
            keep_entry "$p" "$t" "${rgiven[$p]}" - - "${psig[$p]}" "$ph"
        fi
    done
    # Its folders, deepest first, once they are empty.
    if [ ${#gone_dirs[@]} -gt 0 ]; then
        while IFS= read -r -d '' p; do
            rmdir -- "$to/$p" 2>/dev/null || keep_entry "$p" d "" - - - -
        done < <(printf '%s\0' "${gone_dirs[@]}" | LC_ALL=C sort -z -r)
    fi
}

# lay_play_tree: a new play tree, the build's copied whole beside it, the
# manifest written, and the copy renamed into place.
lay_play_tree()
{
    for p in "${!btype[@]}"; do
        t="${btype[$p]}"
        if [ "$t" = d ]; then
            keep_entry "$p" d "" - - - -
        elif [ -n "${bhash[$p]-}" ]; then
            keep_entry "$p" "$t" "${bhash[$p]}" "${bsig[$p]}" "${bhash[$p]}" "" "${bhash[$p]}"
        fi
    done
    rm -rf "$incoming"
    if ! cp -a -- "$from" "$incoming" 2>/dev/null || ! write_manifest ||
        ! mv -f -T -- "$incoming" "$to" 2>/dev/null; then
        rm -rf "$incoming"
        notes+=("could not copy $from to $play_name")
        return 0
    fi
    # Its files as they are now, so that the next run need not read them.
    scan_tree "$to" ptype psig plink
    for p in "${!ptype[@]}"; do
        [ -z "${otype[$p]-}" ] || [ "${otype[$p]}" = d ] || opsig["$p"]="${psig[$p]}"
    done
}

# retire_old_content BUILD_TREE PLAY_TREE: in a play tree with no manifest,
# the files that earlier builds shipped under names no build uses now
# (content/retired.txt, one pattern of the tree per line) go, with the
# folders they leave empty; nothing the build still has is touched. No
# program writes these files, so nothing of the player's goes with them.
retire_old_content()
{
    local from="$1" to="$2" pattern match rel folder
    local list="$ROOT/content/retired.txt"
    [ -f "$list" ] || return 0
    while IFS= read -r pattern || [ -n "$pattern" ]; do
        case "$pattern" in "" | "#"*) continue ;; esac
        local IFS=
        shopt -s nullglob
        for match in "$to"/$pattern; do
            rel="${match#"$to"/}"
            [ -f "$match" ] && [ ! -L "$match" ] || continue
            [ ! -e "$from/$rel" ] || continue
            rm -f -- "$match" && notes+=("removes $play_name/$rel, which an earlier build shipped and this one does not")
            folder="${rel%/*}"
            while [ "$folder" != "$rel" ] && [ -n "$folder" ] && [ ! -e "$from/$folder" ] &&
                rmdir -- "$to/$folder" 2>/dev/null; do
                rel="$folder"
                folder="${rel%/*}"
            done
        done
        shopt -u nullglob
        unset IFS
    done <"$list"
}

# sync_play_tree BUILD_TREE PLAY_TREE MANIFEST: brings the play tree up to
# date with the build's. A file the play tree has as the build gave it takes
# the build's new content; a file a program wrote or changed is kept; a file
# the build no longer has is removed unless a program changed it.
# A play tree without a manifest (made before there was one) is taken as it
# stands: a file equal to the build's is the build's; of the files that
# differ, those the programs write back are kept unless still equal to the
# shipped copy beside them, and the others (programs, content) are older
# copies of the build's and take its own; files the build no longer has are
# kept, since nothing tells them from what the programs saved, but for
# those content/retired.txt names.
# Every file is replaced whole (copied beside the tree and renamed into
# place), and a run killed on the way leaves a manifest that knows each file
# it was replacing by its old and its new content.
sync_play_tree()
{
    local from="$1" to="$2" manifest="$3"
    local -A btype bsig blink bhash ptype psig plink phash
    local -A rtype rgiven rbsig rbhash rpsig rphash rbefore
    local -A otype ogiven obsig obhash opsig ophash obefore copied
    local -a bneed=() pneed=() to_bring=() brought=() gone_dirs=() notes=() f=()
    local p t bh ph shipped recorded=0 legacy=0 fresh=0
    local play_name="${to#"$ROOT"/}" incoming="${to%/*}/.incoming-$$"

    if [ -f "$manifest" ]; then
        {
            if IFS= read -r -d '' t && [ "$t" = "$MANIFEST_HEADER" ]; then
                recorded=1
                while IFS= read -r -d '' t; do
                    f+=("$t")
                    [ ${#f[@]} = 8 ] || continue
                    p="${f[7]}"
                    rtype["$p"]="${f[0]}" rgiven["$p"]="${f[1]}"
                    rbsig["$p"]="${f[2]}" rbhash["$p"]="${f[3]}"
                    rpsig["$p"]="${f[4]}" rphash["$p"]="${f[5]}" rbefore["$p"]="${f[6]}"
                    f=()
                done
            fi
        } <"$manifest"
        [ "$recorded" = 1 ] || notes+=("$manifest is not a manifest this script wrote; it is written anew")
    fi
    mkdir -p "$to"
    if [ -z "$(ls -A "$to")" ]; then
        fresh=1
    elif [ "$recorded" = 0 ]; then
        legacy=1
        retire_old_content "$from" "$to"
    fi

    scan_tree "$from" btype bsig blink
    scan_tree "$to" ptype psig plink
    for p in "${!btype[@]}"; do
        case "${btype[$p]}" in
            l) bhash["$p"]="${blink[$p]}" ;;
            f)
                if [ "${rbsig[$p]-}" = "${bsig[$p]}" ]; then
                    bhash["$p"]="${rbhash[$p]}"
                else
                    bneed+=("$p")
                fi
                ;;
        esac
    done
    for p in "${!ptype[@]}"; do
        case "${ptype[$p]}" in
            l) phash["$p"]="${plink[$p]}" ;;
            f)
                if [ -n "${rpsig[$p]-}" ] && [ "${rpsig[$p]}" = "${psig[$p]}" ]; then
                    phash["$p"]="${rphash[$p]}"
                else
                    pneed+=("$p")
                fi
                ;;
        esac
    done
    hash_files "$from" bhash "${bneed[@]}"
    hash_files "$to" phash "${pneed[@]}"

    if [ "$fresh" = 1 ]; then
        lay_play_tree
    else
        renew_play_tree
    fi

    if [ ${#to_bring[@]} -gt 0 ] && write_manifest; then
        for p in "${to_bring[@]}"; do
            if cp -a -- "$from/$p" "$incoming" 2>/dev/null && mv -f -T -- "$incoming" "$to/$p" 2>/dev/null; then
                [ "${otype[$p]}" != f ] || brought+=("$p")
                obefore["$p"]=""
                continue
            fi
            rm -f "$incoming"
            notes+=("could not copy $from/$p into $play_name")
            # The play tree keeps what it had, taken for the build's.
            if [ -z "${ptype[$p]-}" ]; then
                drop_entry "$p"
            else
                keep_entry "$p" "${otype[$p]}" "${obefore[$p]}" "${bsig[$p]}" "${bhash[$p]}" \
                    "${psig[$p]}" "${phash[$p]-}"
            fi
        done
        # What the play tree got is its copy as read now (the build's file
        # may have changed since it was read).
        hash_files "$to" copied "${brought[@]}"
        for p in "${brought[@]}"; do
            if [ -n "${copied[$p]-}" ]; then
                ogiven["$p"]="${copied[$p]}" ophash["$p"]="${copied[$p]}"
            fi
        done
    fi
    write_manifest
    for p in "${notes[@]}"; do
        echo "scripts/${0##*/}: $p" >&2
    done
}

