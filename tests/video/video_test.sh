#!/usr/bin/env bash
# The recorder's video clips of the shipped race, decoded by ffprobe and
# ffmpeg. Each format is encoded once, and every aim is checked on that file:
#  - race.mp4 holds H.264 in yuv420p with its index (moov) before the media
#    (mdat), race.webm holds AV1 in yuv420p;
#  - 700 frames of 800 x 600, each lasting 30 ms;
#  - at most 3 MB;
#  - frames across the whole race (the gate, its opening, the field bunched
#    and strung out, the camera on the leader, the last frame) at 38 dB of
#    luma PSNR or more against the recorder's own PNG of the same tick;
#  - the race and its frames are the same with a clip as without;
#  - standard error stays empty when it is not a terminal, and shows the
#    frames encoded on one rewritten line when it is;
#  - a path that cannot be written and a name that is not .mp4 or .webm
#    give a message and exit code 1, and leave no file; nor does a run
#    ended by a signal.
#
#   video_test.sh GALLOP_RECORD RUN_DIR
set -uo pipefail

recorder=$(realpath "$1")
run_dir=$(realpath "$2")
source "$(dirname "$(realpath "$0")")/../expect.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

max_bytes=3000000
min_psnr=38
ticks=(1 60 101 102 115 150 200 260 330 400 470 540 610 680 700)
at=$(IFS=,; echo "${ticks[*]}")

"$recorder" --dir "$run_dir" --hashes "$work/plain.hashes" --frames "$work/frames" --at "$at"
# The PNGs in a numbered sequence, for ffmpeg's image reader.
mkdir "$work/sequence"
for i in "${!ticks[@]}"; do
    printf -v png "frame-%04d.png" "${ticks[$i]}"
    ln -s "$work/frames/$png" "$work/sequence/$(printf %02d "$i").png"
done
selection=
for tick in "${ticks[@]}"; do
    selection+="${selection:++}eq(n,$((tick - 1)))"
done

# stream_is CLIP CODEC: the one stream is CODEC, yuv420p, 800 x 600.
stream_is() {
    local got
    got=$(ffprobe -v error -show_entries stream=codec_type,codec_name,pix_fmt,width,height \
        -of csv=p=0 "$1")
    [ "$got" = "video,$2,800,600,yuv420p" ] || [ "$got" = "$2,video,800,600,yuv420p" ] ||
        { echo "  stream: $got" >&2; return 1; }
}

# frames_last_30ms CLIP: 700 frames decoded; 700 packets, in time order the
# first at 0 and each 30 ms after the one before and lasting 30 ms.
frames_last_30ms() {
    local decoded
    decoded=$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=nb_read_frames -of csv=p=0 "$1")
    [ "$decoded" = 700 ] || { echo "  $decoded frames decoded" >&2; return 1; }
    ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,duration_time \
        -of csv=p=0 "$1" | sort -t, -k1,1g >"$work/times" || return 1
    awk -F, '
        { if ($1 - 0.03 * (NR - 1) > 0.0005 || 0.03 * (NR - 1) - $1 > 0.0005 ||
              $2 != "0.030000") { print "  packet " NR ": " $0 > "/dev/stderr"; bad = 1 } }
        END { if (NR != 700) { print "  " NR " packets" > "/dev/stderr"; bad = 1 }; exit bad }
    ' "$work/times"
}

at_most_3mb() {
    local size
    size=$(stat -c %s "$1")
    echo "  $(basename "$1"): $size bytes"
    [ "$size" -le "$max_bytes" ]
}

# psnr_at_least CLIP: the sampled frames of the clip against the PNGs, luma
# PSNR of each at least min_psnr.
psnr_at_least() {
    rm -f "$work/psnr.log"
    ffmpeg -v error -nostdin -i "$1" -framerate 1 -i "$work/sequence/%02d.png" -filter_complex \
        "[0:v]select='$selection',settb=1,setpts=N[clip];[1:v]format=yuv420p,settb=1,setpts=N[png];[clip][png]psnr=stats_file=$work/psnr.log" \
        -f null - || return 1
    awk -v ticks="${ticks[*]}" -v min="$min_psnr" '
        BEGIN { split(ticks, tick, " ") }
        { for (i = 1; i <= NF; ++i) if ($i ~ /^psnr_y:/) { y = substr($i, 8) }
          printf "  tick %d: %s dB\n", tick[NR], y
          if (y != "inf" && y + 0 < min) bad = 1 }
        END { if (NR != length(tick)) { print "  " NR " frames compared"; bad = 1 }; exit bad }
    ' "$work/psnr.log"
}

index_first() {
    local boxes
    boxes=$(ffprobe -v trace "$1" 2>&1 | grep -o "type:'[a-z]*' parent:'root'" | cut -d"'" -f2 |
        tr '\n' ' ')
    echo "  top-level boxes: $boxes"
    [[ $boxes =~ moov.*mdat ]]
}

for clip in race.mp4 race.webm; do
    codec=h264
    [ "$clip" = race.webm ] && codec=av1
    expect_prefix="$clip: "
    expect "the recorder writes it, with nothing on standard error" \
        bash -c '"$1" --dir "$2" --video "$3" --hashes "$3.hashes" 2>"$3.err" && ! [ -s "$3.err" ]' \
        _ "$recorder" "$run_dir" "$work/$clip"
    expect "no temporary file is left" test -z "$(find "$work" -maxdepth 1 -name '*.part')"
    expect "the race is drawn as without it" cmp -s "$work/plain.hashes" "$work/$clip.hashes"
    expect "$codec in yuv420p, 800 x 600" stream_is "$work/$clip" "$codec"
    expect "700 frames of 30 ms" frames_last_30ms "$work/$clip"
    expect "at most $max_bytes bytes" at_most_3mb "$work/$clip"
    expect "luma PSNR of ${#ticks[@]} frames at least $min_psnr dB" psnr_at_least "$work/$clip"
done
expect_prefix="race.mp4: "
expect "the index comes before the media" index_first "$work/race.mp4"
expect_prefix=

# On a terminal, the frames encoded, on one line rewritten with \r.
if command -v script >/dev/null; then
    expect "a terminal sees the frames encoded on one rewritten line" bash -c '
        script -qec "\"$1\" --dir \"$2\" --ticks 20 --video \"$3\"" /dev/null >"$4" &&
            grep -q $'"'"'\rgallop-record: frame 20 of 20 encoded'"'"' "$4" &&
            [ "$(tr -cd "\n" <"$4" | wc -c)" -eq 1 ]' \
        _ "$recorder" "$run_dir" "$work/short.mp4" "$work/terminal.txt"
fi

# Errors: exit 1, a message naming the clip, and no file left behind.
mkdir -p "$work/errors/folder.mp4"
for name in missing/race.mp4 folder.mp4 race.avi race; do
    expect "--video errors/$name: exit 1, a message, no file left" bash -c '
        "$1" --dir "$2" --ticks 5 --video "$3/$4" 2>"$3.err"
        [ $? -eq 1 ] && grep -q "^gallop-record: cannot write the video .*$4" "$3.err" &&
            [ "$(find "$3" -mindepth 1 | tr "\n" " ")" = "$3/folder.mp4 " ] &&
            [ -z "$(ls -A "$3/folder.mp4")" ]' \
        _ "$recorder" "$run_dir" "$work/errors" "$name"
done
cat "$work/errors.err"

# Ended by a signal while it writes, the recorder removes the clip it began.
mkdir "$work/cut"
expect "a run ended by SIGTERM leaves no file" bash -c '
    "$1" --dir "$2" --video "$3/cut.mp4" &
    recorder=$!
    for _ in $(seq 300); do
        [ -n "$(ls -A "$3")" ] && break
        sleep 0.1
    done
    sleep 0.5
    kill -TERM "$recorder"
    wait "$recorder"
    status=$?
    [ "$status" -eq 143 ] && [ -z "$(ls -A "$3")" ]' _ "$recorder" "$run_dir" "$work/cut"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
