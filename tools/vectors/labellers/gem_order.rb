# Labels RubyGems versions with RubyGems' own Gem::Version.
#
#   ruby gem_order.rb pairs   stdin "a<TAB>b" lines, prints "a<TAB>b<TAB>sign" (both must be correct?)
#   ruby gem_order.rb valid   stdin one text a line, prints "text<TAB>1" or "text<TAB>0" (Gem::Version.correct?)
#   ruby gem_order.rb sort    stdin one version a line, prints them in RubyGems' order
require "rubygems"

mode = ARGV[0] || "pairs"
lines = $stdin.binmode.read.force_encoding(Encoding::UTF_8).split("\n", -1)
lines.pop if lines.last == ""
case mode
when "pairs"
  lines.each do |line|
    a, b = line.split("\t", 2)
    puts "#{a}\t#{b}\t#{Gem::Version.new(a) <=> Gem::Version.new(b)}"
  end
when "valid"
  lines.each do |text|
    ok = begin
      Gem::Version.correct?(text) ? 1 : 0
    rescue ArgumentError
      0 # a text that is not valid UTF-8
    end
    puts "#{text}\t#{ok}"
  end
when "sort"
  lines.map { |text| [Gem::Version.new(text), text] }.sort_by(&:first).each { |_, text| puts text }
end
