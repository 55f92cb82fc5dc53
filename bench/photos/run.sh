#!/usr/bin/env bash
# Stamps the same batch of real photographs with vardenico and with the peers a user would script
# instead (libvips, ImageMagick 6, GraphicsMagick), side by side in one run, and prints wall time
# and peak resident memory of each batch.
#
#   bench/photos/run.sh [BUILD_DIR] [WORK_DIR]
#
# The photos are the JPEG wallpapers of Debian's mate-backgrounds and lomiri-wallpapers, cropped
# and scaled to 24 MP (6000×4000, quality 95, 4:2:0 like a camera); the logo is a 2800×2800
# transparent PNG placed at 20 % of the short side, 65 px from the bottom-right corner, opacity 0.8.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
work=${2:-/tmp/vardenico-bench-photos}
count=${BENCH_PHOTOS:-6}
vardenico="$build/vardenico"

need=()
command -v vips >/dev/null || need+=(libvips-tools)
command -v convert >/dev/null || need+=(imagemagick)
command -v gm >/dev/null || need+=(graphicsmagick)
command -v cjpeg >/dev/null || need+=(libjpeg-turbo-progs)
[ -d /usr/share/backgrounds/mate ] || need+=(mate-backgrounds)
ls /usr/share/backgrounds/*_by_*.jpg >/dev/null 2>&1 || need+=(lomiri-wallpapers)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing the peers and photos: ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

mkdir -p "$work/photos"
cd "$work"
if [ ! -f logo.png ]; then
  convert -size 2800x2800 xc:none -fill 'rgba(255,140,0,0.9)' -draw "circle 1400,1400 1400,200" \
    -fill white -font DejaVu-Sans-Bold -pointsize 700 -gravity center -annotate 0 "VD" PNG32:logo.png
fi
if [ "$(ls photos | wc -l)" -lt "$count" ]; then
  i=0
  for source in $(ls -S /usr/share/backgrounds/*.jpg /usr/share/backgrounds/mate/*/*.jpg | head -"$count"); do
    i=$((i + 1))
    vips thumbnail "$source" "photos/photo$i.jpg[Q=95,subsample-mode=on]" 6000 --height 4000 --size force --crop centre
  done
fi
photos=(photos/*.jpg)
side=800   # 20 % of 4000
x=$((6000 - 65 - side))
y=$((4000 - 65 - side))

run_vardenico() {
  "$vardenico" stamp --logo logo.png --position bottom-right --size 20 --margin 65 --opacity 0.8 --out out-vardenico "${photos[@]}" >/dev/null
}
run_vardenico_lossless() {
  "$vardenico" stamp --lossless --logo logo.png --position bottom-right --size 20 --margin 65 --opacity 0.8 --out out-vardenico_lossless "${photos[@]}" >/dev/null
}
run_vips() {
  for photo in "${photos[@]}"; do
    vips resize logo.png logo-small.v $(echo "$side / 2800" | bc -l)
    vips linear logo-small.v logo-faded.v "1 1 1 0.8" "0 0 0 0" --uchar
    vips composite2 "$photo" logo-faded.v "out-vips/$(basename "$photo" .jpg)_stamped.jpg[Q=100]" over --x $x --y $y
  done
}
run_imagemagick() {
  for photo in "${photos[@]}"; do
    convert "$photo" \( logo.png -resize ${side}x${side} -channel A -evaluate multiply 0.8 +channel \) \
      -gravity southeast -geometry +65+65 -composite -quality 100 "out-imagemagick/$(basename "$photo" .jpg)_stamped.jpg"
  done
}
run_graphicsmagick() {
  for photo in "${photos[@]}"; do
    gm composite -dissolve 80 -gravity southeast -geometry ${side}x${side}+65+65 logo.png "$photo" \
      -quality 100 "out-graphicsmagick/$(basename "$photo" .jpg)_stamped.jpg"
  done
}

export -f run_vardenico run_vardenico_lossless run_vips run_imagemagick run_graphicsmagick
export vardenico side x y
printf '%s\n' "${photos[@]}" > photos.list
echo "Batch of ${#photos[@]} photos of 6000×4000 on $(nproc) cores, load average $(cut -d' ' -f1 /proc/loadavg) before; vardenico $(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo '?')"
printf '%-20s %10s %12s %10s %12s %10s %14s\n' tool "wall s" "s / photo" "cpu s" "peak MB" "× slower" "MB out / in"
results=()
tools=(vardenico vardenico_lossless imagemagick)
command -v vips >/dev/null && tools+=(vips)
command -v gm >/dev/null && tools+=(graphicsmagick)
for tool in "${tools[@]}"; do
  rm -rf "out-$tool" && mkdir -p "out-$tool"
  /usr/bin/time -f "%e %M %U %S" -o time.txt bash -c "photos=(\$(cat photos.list)); $(declare -f run_$tool); run_$tool"
  read -r wall rss user system < time.txt
  results+=("$tool $wall $rss $(echo "$user + $system" | bc -l) $(du -sb "out-$tool" | cut -f1)")
done
in_bytes=$(du -sb photos | cut -f1)
base=$(echo "${results[0]}" | awk '{print $2}')
for line in "${results[@]}"; do
  set -- $line
  printf '%-20s %10.2f %12.3f %10.2f %12.1f %10.2f %14s\n' "$1" "$2" "$(echo "$2 / ${#photos[@]}" | bc -l)" "$4" "$(echo "$3 / 1024" | bc -l)" "$(echo "$2 / $base" | bc -l)" \
    "$(printf '%.1f / %.1f' "$(echo "$5 / 1048576" | bc -l)" "$(echo "$in_bytes / 1048576" | bc -l)")"
done

# The bound: libjpeg-turbo's own tools decoding each photo and encoding it again at quality 100,
# 4:4:4 (what the normal mode writes), as many photos at a time as there are cores; every
# tool's ratio to it is printed beside it.
if command -v djpeg >/dev/null && command -v cjpeg >/dev/null; then
  rm -rf out-bound && mkdir out-bound
  /usr/bin/time -f "%e %M %U %S" -o time.txt bash -c 'printf "%s\n" "$@" | xargs -P "$(nproc)" -I{} sh -c "djpeg {} | cjpeg -quality 100 -sample 1x1 > out-bound/\$(basename {})"' _ "${photos[@]}"
  read -r bound rss user system < time.txt
  printf '%-20s %10.2f %12.3f %10.2f   (djpeg | cjpeg -quality 100 -sample 1x1, %d at a time)\n' "bound" "$bound" "$(echo "$bound / ${#photos[@]}" | bc -l)" "$(echo "$user + $system" | bc -l)" "$(nproc)"
  # Beside it, libjpeg-turbo's codec alone, in memory, without reading or writing files
  # (tjbench: decode and quality-100 4:4:4 encode rates of each photo, the batch spread over
  # every core).
  if command -v tjbench >/dev/null; then
    inmemory=0
    for photo in "${photos[@]}"; do
      djpeg -ppm "$photo" > bound.ppm
      pixels=$(head -c 64 bound.ppm | awk 'NR == 2 { print $1 * $2 / 1000000 }')
      perf=$(tjbench bound.ppm 100 -subsamp 444 -quiet -benchtime 1 -warmup 0 | awk '$1 == "BGR" { print $7, $9 }')
      set -- $perf
      inmemory=$(echo "$inmemory + $pixels / $1 + $pixels / $2" | bc -l) # megapixels at each rate (megapixels/s)
    done
    rm -f bound.ppm
    printf '%-20s %10.2f %12.3f   (tjbench: decode + quality-100 4:4:4 encode in memory, %d cores)\n' "tjbench" "$(echo "$inmemory / $(nproc)" | bc -l)" "$(echo "$inmemory / ${#photos[@]} / $(nproc)" | bc -l)" "$(nproc)"
  fi
  for line in "${results[@]}"; do
    set -- $line
    printf '%-20s %10.2f × the bound\n' "$1" "$(echo "$2 / $bound" | bc -l)"
  done
fi

# The formats phones, the web and scanners write: the same photos as HEIC and WebP (quality 90)
# and as 16-bit TIFF, each batch stamped to JPEG by vardenico, vips and ImageMagick (which reads
# all three), with every tool's wall time and peak memory and its ratio to vips.
if [ "${BENCH_FORMATS:-1}" -gt 0 ]; then
  echo
  printf '%-22s %10s %12s %10s\n' "format, tool" "wall s" "peak MB" "× vips"
  for format in heic webp tif; do
    mkdir -p "formats/$format"
    for photo in "${photos[@]}"; do
      converted="formats/$format/$(basename "$photo" .jpg).$format"
      [ -f "$converted" ] && continue
      case $format in
        heic) vips copy "$photo" "$converted[Q=90,compression=hevc]" ;;
        webp) vips copy "$photo" "$converted[Q=90]" ;;
        tif) vips colourspace "$photo" "$converted[compression=deflate]" rgb16 ;;
      esac
    done
    printf '%s\n' formats/$format/*.$format > photos.list
    declare -A format_wall=() format_rss=()
    for tool in vardenico vips imagemagick; do
      rm -rf "out-$tool" && mkdir -p "out-$tool"
      /usr/bin/time -f "%e %M" -o time.txt bash -c "photos=(\$(cat photos.list)); $(declare -f run_$tool); run_$tool"
      read -r format_wall[$tool] format_rss[$tool] < time.txt
      [ "$(ls "out-$tool" | wc -l)" -eq "${#photos[@]}" ] || echo "$tool wrote $(ls "out-$tool" | wc -l) of ${#photos[@]} $format photos"
    done
    for tool in vardenico vips imagemagick; do
      printf '%-22s %10.2f %12.1f %10.2f\n' "$format, $tool" "${format_wall[$tool]}" "$(echo "${format_rss[$tool]} / 1024" | bc -l)" "$(echo "${format_wall[$tool]} / ${format_wall[vips]}" | bc -l)"
    done
  done
fi

# PNG photos go through in strips too: peak memory of one stamp of a 24 MP and of a 96 MP PNG
# (the first photo, saved as PNG at 6000×4000 and scaled to 12000×8000), one job each.
[ -f png-24mp.png ] || vips copy "${photos[0]}" png-24mp.png
[ -f png-96mp.png ] || vips resize "${photos[0]}" png-96mp.png 2
echo
printf '%-20s %10s %12s\n' "PNG photo" "wall s" "peak MB"
for png in png-24mp.png png-96mp.png; do
  rm -rf out-png && mkdir out-png
  /usr/bin/time -f "%e %M" -o time.txt "$vardenico" stamp --jobs 1 --logo logo.png --position bottom-right --size 20 --margin 65 --opacity 0.8 --out out-png "$png" >/dev/null
  read -r wall rss < time.txt
  printf '%-20s %10.2f %12.1f\n' "$(vipsheader -f width "$png")×$(vipsheader -f height "$png")" "$wall" "$(echo "$rss / 1024" | bc -l)"
done

# The photo browser's grid: 200-pixel thumbnails of 1,000 real photos on the first listing (a
# fresh index), against vipsthumbnail on the same files. The photos are the wallpapers at their
# own sizes (1–24 MP, baseline and progressive), linked under 1,000 names.
grid="$build/bench/photos/photos_thumbnail_grid"
if [ -x "$grid" ]; then
  mkdir -p library
  grid_count=${BENCH_THUMBNAILS:-1000}
  [ "$grid_count" -gt 0 ] || exit 0
  if [ "$(ls library | wc -l)" -ne "$grid_count" ]; then
    rm -rf library && mkdir library
    sources=($(ls /usr/share/backgrounds/*.jpg /usr/share/backgrounds/mate/*/*.jpg))
    for i in $(seq 0 $((grid_count - 1))); do
      ln -f "${sources[$((i % ${#sources[@]}))]}" "library/photo$(printf %04d "$i").jpg" 2>/dev/null \
        || cp "${sources[$((i % ${#sources[@]}))]}" "library/photo$(printf %04d "$i").jpg"
    done
  fi
  rm -rf grid-index.* thumbnails && mkdir thumbnails
  echo
  printf '%-16s %10s %10s %12s\n' "$grid_count thumbnails" "wall s" "cpu s" "peak MB"
  /usr/bin/time -f "%e %M %U %S" -o time.txt "$grid" library grid-index.sqlite 200 >/dev/null
  read -r wall rss user system < time.txt
  printf '%-16s %10.2f %10.2f %12.1f\n' vardenico "$wall" "$(echo "$user + $system" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
  /usr/bin/time -f "%e %M %U %S" -o time.txt vipsthumbnail library/*.jpg --size 200x200 -o "$work/thumbnails/%s.jpg"
  read -r wall rss user system < time.txt
  printf '%-16s %10.2f %10.2f %12.1f\n' vipsthumbnail "$wall" "$(echo "$user + $system" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
else
  echo "(configure with -DVARDENICO_BENCH=ON to time the thumbnail grid too)"
fi
