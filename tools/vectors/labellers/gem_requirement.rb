# Labels RubyGems requirements with RubyGems' own Gem::Requirement.
#
#   ruby gem_requirement.rb    stdin "range<TAB>version" lines, prints "1" when
#                              Gem::Requirement#satisfied_by? holds, "0" when not,
#                              "rejected" when Gem::Requirement.new raises
#
# A range is a comma-separated list of requirements: it is split at every comma
# and each part given to Gem::Requirement.new as one requirement string; an empty
# text is one empty requirement.
require "rubygems"

STDIN.set_encoding("UTF-8")
STDOUT.set_encoding("UTF-8")
STDIN.each_line("\n", chomp: true) do |line|
  range, version = line.split("\t", -1)
  parts = range.empty? ? [""] : range.split(",", -1)
  begin
    requirement = Gem::Requirement.new(*parts)
  rescue ArgumentError
    puts "rejected"
    next
  end
  puts requirement.satisfied_by?(Gem::Version.new(version)) ? "1" : "0"
end
